// TSystemLibrary, LoadLibraryAtPath and RestrictDllSearchToSystemFolder against the real
// loader, with a marker-writing DLL "mvt_beside_only.dll" beside this program.
#include <gtest/gtest.h>

#include <cctype>

#include "framework/system_library.h"
#include "framework/sysutils.h"

#include <mmsystem.h>

namespace mvt {
namespace {

const std::string kBesideOnly = "mvt_beside_only.dll";

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string ModulePath(HMODULE module) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, sizeof path);
    return path;
}

std::string SystemFolder() {
    char folder[MAX_PATH] = {};
    GetSystemDirectoryA(folder, sizeof folder);
    return folder;
}

class SystemLibrary : public ::testing::Test {
  protected:
    const std::string besideOnly = ProgramFolder() + kBesideOnly;
    const std::string marker = besideOnly + ".loaded";
    void SetUp() override {
        ASSERT_TRUE(FileExists(besideOnly));
        DeleteFileA(marker.c_str());
    }
    void TearDown() override { DeleteFileA(marker.c_str()); }
};

TEST_F(SystemLibrary, LoadsFromTheSystemFolderAndResolvesTypedEntries) {
    const TSystemLibrary winmm("winmm.dll");
    ASSERT_TRUE(winmm.Loaded());
    EXPECT_EQ(Lower(ModulePath(winmm.Handle())), Lower(SystemFolder() + "\\winmm.dll"));
    const auto playSound = winmm.Entry<decltype(&::sndPlaySoundA)>("sndPlaySoundA");
    EXPECT_NE(playSound, nullptr);
    EXPECT_EQ(winmm.Entry<decltype(&::sndPlaySoundA)>("NoSuchEntry"), nullptr);

    const TSystemLibrary missing("mvt_no_such_library.dll");
    EXPECT_FALSE(missing.Loaded());
    EXPECT_EQ(missing.Entry<decltype(&::sndPlaySoundA)>("sndPlaySoundA"), nullptr);
}

TEST_F(SystemLibrary, NeverTakesADllBesideTheProgramOrAPath) {
    EXPECT_FALSE(TSystemLibrary(kBesideOnly.c_str()).Loaded());
    EXPECT_FALSE(TSystemLibrary(besideOnly.c_str()).Loaded());
    EXPECT_FALSE(TSystemLibrary("..\\winmm.dll").Loaded());
    EXPECT_FALSE(TSystemLibrary((SystemFolder() + "\\winmm.dll").c_str()).Loaded());
    EXPECT_FALSE(FileExists(marker)) << "the DLL beside the program was loaded";
}

TEST_F(SystemLibrary, ProcessLifetimeKeepsTheLibraryAfterTheObject) {
    // Scoped first: released with the object. Then the same library kept for the process.
    ASSERT_EQ(GetModuleHandleA("mpr.dll"), nullptr) << "something else holds mpr already";
    {
        const TSystemLibrary scoped("mpr.dll");
        ASSERT_TRUE(scoped.Loaded());
    }
    EXPECT_EQ(GetModuleHandleA("mpr.dll"), nullptr);
    { const TSystemLibrary kept("mpr.dll", TLibraryLifetime::Process); }
    EXPECT_NE(GetModuleHandleA("mpr.dll"), nullptr);
}

TEST_F(SystemLibrary, OwnLibrariesOnlyByTheirFullPath) {
    for (const std::string& relative :
         {kBesideOnly, std::string(".\\") + kBesideOnly, std::string("\\") + kBesideOnly}) {
        SetLastError(0);
        EXPECT_EQ(LoadLibraryAtPath(relative), nullptr) << relative;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << relative;
    }
    EXPECT_FALSE(FileExists(marker));
    {
        UniqueModule own = LoadLibraryAtPath(besideOnly);
        ASSERT_NE(own, nullptr);
        EXPECT_EQ(Lower(ModulePath(own.get())), Lower(besideOnly));
    }
    EXPECT_TRUE(FileExists(marker)) << "a full path is loaded";
    EXPECT_EQ(GetModuleHandleA(kBesideOnly.c_str()), nullptr) << "released with its owner";
}

// Last, as it changes the process for good: a bare name no longer finds the DLL beside the
// program, which the default search order does.
TEST_F(SystemLibrary, RestrictionKeepsBareNamesToTheSystemFolder) {
    HMODULE before = LoadLibraryA(kBesideOnly.c_str());
    ASSERT_NE(before, nullptr) << "the default search takes the program's folder";
    FreeLibrary(before);
    DeleteFileA(marker.c_str());

    EXPECT_TRUE(RestrictDllSearchToSystemFolder());
    EXPECT_EQ(LoadLibraryA(kBesideOnly.c_str()), nullptr);
    EXPECT_FALSE(FileExists(marker));
    HMODULE system = LoadLibraryA("winmm.dll");
    EXPECT_NE(system, nullptr);
    if (system) FreeLibrary(system);
}

}  // namespace
}  // namespace mvt
