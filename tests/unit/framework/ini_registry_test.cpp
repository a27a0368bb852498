#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "framework/inifiles.h"
#include "framework/registry.h"

using namespace mvt;

namespace {

std::string TempPath(const char* name) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + name;
}

TEST(IniFileTest, WritesLandAtOnceAndNamesMatchWithoutCase) {
    std::string path = TempPath("mvt_ini_test.ini");
    DeleteFileA(path.c_str());
    TIniFile ini(path);
    ini.WriteString("Setup", "FullSize", "  123 ");
    ini.WriteInteger("Other", "Count", 42);
    TIniFile reread(path);
    EXPECT_EQ(reread.ReadString("setup", "FULLSIZE", "x"), "123");  // blanks dropped
    EXPECT_EQ(reread.ReadInteger("OTHER", "count", 0), 42);
    EXPECT_EQ(reread.ReadString("Setup", "Missing", "default"), "default");
    ini.EraseSection("Setup");
    EXPECT_EQ(reread.ReadString("Setup", "FullSize", "gone"), "gone");
    EXPECT_EQ(reread.ReadInteger("Other", "Count", 0), 42);
    DeleteFileA(path.c_str());
}

TEST(IniFileTest, LongValuesAreCutAtTheReadBuffer) {
    std::string path = TempPath("mvt_ini_long.ini");
    DeleteFileA(path.c_str());
    TIniFile ini(path);
    ini.WriteString("S", "K", std::string(3000, 'a'));
    EXPECT_EQ(ini.ReadString("S", "K", "").size(), 2047u);
    DeleteFileA(path.c_str());
}

TEST(IniFileTest, RefusedWriteRaisesUnableToWrite) {
    std::string path = TempPath("no_such_folder_mvt\\sub\\x.ini");
    TIniFile ini(path);
    try {
        ini.WriteString("S", "K", "V");
        FAIL() << "write into a missing folder succeeded";
    } catch (const EIniFileException& error) {
        EXPECT_EQ(error.Message(), "Unable to write to " + path);
    }
}

class RegistryTest : public ::testing::Test {
  protected:
    static constexpr char kKey[] = "Software\\MVT Setup Tests";
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kKey); }
};

TEST_F(RegistryTest, CreateOpenWriteAndReadBack) {
    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    registry.CreateKey(std::string(kKey) + "\\A\\B");
    EXPECT_FALSE(registry.OpenKey(std::string(kKey) + "\\Missing", false));
    ASSERT_TRUE(registry.OpenKey(std::string(kKey) + "\\A\\B", false));
    registry.WriteString("Path", "C:\\Игры\\Morvath Trilogy");
    registry.WriteInteger("Version", 7);
    EXPECT_EQ(registry.ReadString("Path"), "C:\\Игры\\Morvath Trilogy");
    EXPECT_EQ(registry.ReadString("Absent"), "");
    registry.WriteString("Version", "replaced");  // any previous type is replaced
    EXPECT_EQ(registry.ReadString("Version"), "replaced");
}

TEST_F(RegistryTest, ErrorsCarryTheExactTexts) {
    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKey(kKey, true));
    registry.WriteInteger("Number", 1);
    try {
        registry.ReadString("Number");
        FAIL();
    } catch (const ERegistryException& error) {
        EXPECT_EQ(error.Message(), "Invalid data type for 'Number'");
    }
    registry.CloseKey();
    try {
        registry.WriteString("Install", "x");
        FAIL();
    } catch (const ERegistryException& error) {
        EXPECT_EQ(error.Message(), "Failed to set data for 'Install'");
    }
    EXPECT_EQ(registry.ReadString("Install"), "");  // no key open: empty
}

TEST_F(RegistryTest, ReadOnlyKeyReadsEnumeratesAndDeletes) {
    const std::string path = std::string(kKey) + "\\R";
    EXPECT_FALSE(TRegistryKey(HKEY_CURRENT_USER, path)) << "a missing key is no key";
    EXPECT_FALSE(TRegistryKey(HKEY_CURRENT_USER, path).Empty());
    {
        TRegistry registry;
        registry.SetRootKey(HKEY_CURRENT_USER);
        ASSERT_TRUE(registry.OpenKey(path, true));
        registry.WriteString("Long", std::string(5000, 'x'));
        registry.WriteInteger("Number", 42);
        // A string stored without its terminating zero, as other programs may write one.
        RegSetValueExA(registry.CurrentKey(), "Bare", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>("abc"), 3);
    }
    const TRegistryKey key(HKEY_CURRENT_USER, path);
    ASSERT_TRUE(key);
    EXPECT_EQ(key.String("Long"), std::string(5000, 'x')) << "no value is cut short";
    EXPECT_EQ(key.String("Bare"), "abc");
    EXPECT_EQ(key.Number("Number"), 42u);
    EXPECT_FALSE(key.String("Number")) << "a number is not read as text";
    EXPECT_FALSE(key.Number("Bare")) << "text is not read as a number";
    EXPECT_FALSE(key.String("Absent"));
    std::vector<std::string> names;
    for (const TRegistryKey::Value& value : key.Values()) names.push_back(value.name);
    std::sort(names.begin(), names.end());  // the system's order is its own
    EXPECT_EQ(names, (std::vector<std::string>{"Bare", "Long", "Number"}));
    EXPECT_FALSE(key.Empty());

    EXPECT_EQ(DeleteRegistryValue(HKEY_CURRENT_USER, path, "Absent"), "");
    EXPECT_EQ(DeleteRegistryValue(HKEY_CURRENT_USER, path + "\\Missing", "Long"), "");
    for (const char* name : {"Long", "Number", "Bare"})
        EXPECT_EQ(DeleteRegistryValue(HKEY_CURRENT_USER, path, name), "");
    EXPECT_TRUE(TRegistryKey(HKEY_CURRENT_USER, path).Empty());
    EXPECT_EQ(DeleteRegistryKey(HKEY_CURRENT_USER, path), "");
    EXPECT_FALSE(TRegistryKey(HKEY_CURRENT_USER, path));
    EXPECT_EQ(DeleteRegistryKey(HKEY_CURRENT_USER, path), "") << "a missing key counts as deleted";
}

}  // namespace
