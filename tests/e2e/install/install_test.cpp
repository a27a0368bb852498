// A user installs the demo distribution: welcome, destination, options, ready, Next. The
// run must leave every file of every listed archive, byte for byte, in the folder its
// archive's name picks, and the uninstaller in the install directory itself.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "support/process_windows.h"

using namespace testsupport;

namespace {

const std::string kProgram = std::string(MVT_DIST_DIR) + "\\MVTSetup.exe";
constexpr char kCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
// Keys the run writes that a test must not leave behind (32-bit view).
const char* const kRunKeys[] = {
    "SOFTWARE\\Quillfen", "SOFTWARE\\Quillfen Corp",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\MV2Main.Exe",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\MVMain.exe",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\MVT"};

std::string ReadProgramFiles() {
    char value[MAX_PATH] = {};
    DWORD size = sizeof value - 1;
    RegGetValueA(HKEY_LOCAL_MACHINE, kCurrentVersion, "ProgramFilesDir",
                 RRF_RT_REG_SZ | 0x00020000 /* 32-bit view */, nullptr, value, &size);
    return value;
}

void WriteProgramFiles(const std::string& folder) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCurrentVersion, 0, KEY_SET_VALUE | KEY_WOW64_32KEY,
                      &key) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, "ProgramFilesDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>(folder.size() + 1));
    RegCloseKey(key);
}

bool KeyExists(const char* key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | KEY_WOW64_32KEY, &opened) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}

void RemoveTree(const std::string& path) {
    std::string from = path + '\0';  // double-terminated
    SHFILEOPSTRUCTA operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NO_UI;
    SHFileOperationA(&operation);
}

struct ExpectedFile {
    std::string path;
    uint64_t size;
    uint32_t crc;
};

std::vector<ExpectedFile> ExpectedFiles() {
    std::vector<ExpectedFile> files;
    std::ifstream list(MVT_DEMO_EXPECTED);
    std::string line;
    while (std::getline(list, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream fields(line);
        ExpectedFile file;
        std::string size, crc;
        if (std::getline(fields, file.path, '\t') && std::getline(fields, size, '\t') &&
            std::getline(fields, crc, '\t')) {
            file.size = std::stoull(size);
            file.crc = static_cast<uint32_t>(std::stoul(crc, nullptr, 16));
            files.push_back(file);
        }
    }
    return files;
}

// Size and CRC-32 of a file, or nothing when it cannot be read.
bool Measure(const std::string& path, uint64_t& size, uint32_t& crc) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::vector<unsigned char> buffer(1 << 20);
    size = 0;
    uLong sum = crc32(0, nullptr, 0);
    size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0) {
        sum = crc32(sum, buffer.data(), static_cast<uInt>(got));
        size += got;
    }
    std::fclose(file);
    crc = static_cast<uint32_t>(sum);
    return true;
}

class InstallTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* key : kRunKeys) keysBefore_.push_back(KeyExists(key));
        savedProgramFiles_ = ReadProgramFiles();
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        programFiles_ = std::string(temp) + "mvt-e2e-install";
        RemoveTree(programFiles_);
        CreateDirectoryA(programFiles_.c_str(), nullptr);
        // The destination screen proposes the program files folder + "\Morvath Trilogy".
        WriteProgramFiles(programFiles_);
    }
    void TearDown() override {
        WriteProgramFiles(savedProgramFiles_);
        for (size_t i = 0; i < std::size(kRunKeys); ++i)
            if (!keysBefore_[i]) RegDeleteTreeA(HKEY_LOCAL_MACHINE, kRunKeys[i]);
        RemoveTree(programFiles_);
    }

    // The one visible wizard window of the program.
    HWND WizardWindow(DWORD process) { return WindowWithClientSize(process, 640, 480); }
    // Clicks the child at (left, top) of the current wizard window and waits for the next.
    HWND Next(DWORD process, HWND current) {
        Click(ChildAt(current, 330, 428));
        HWND next = nullptr;
        EXPECT_TRUE(WaitUntil(
            [&] { return (next = WizardWindow(process)) != nullptr && next != current; }, 10000));
        return next;
    }

    std::string programFiles_;
    std::string savedProgramFiles_;
    std::vector<bool> keysBefore_;
};

TEST_F(InstallTest, DemoDistributionInstallsEveryFileIntoItsFolder) {
    const std::vector<ExpectedFile> expected = ExpectedFiles();
    ASSERT_GT(expected.size(), 20u) << MVT_DEMO_EXPECTED;

    Process program("\"" + kProgram + "\"");
    ASSERT_TRUE(program.Started());
    HWND welcome = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (welcome = WizardWindow(program.Id())); }, 15000));
    HWND destination = Next(program.Id(), welcome);
    ASSERT_TRUE(destination);
    HWND options = Next(program.Id(), destination);
    ASSERT_TRUE(options);
    // Desktop shortcut and configuration program off: nothing outside the test's folders.
    Click(ChildAt(options, 332, 174));
    Click(ChildAt(options, 332, 238));
    HWND ready = Next(program.Id(), options);
    ASSERT_TRUE(ready);
    HWND progress = Next(program.Id(), ready);
    ASSERT_TRUE(progress);
    // The run ends with the finish screen.
    ASSERT_TRUE(WaitUntil([&] { return WindowWithClientSize(program.Id(), 478, 240); }, 180000))
        << "the installation did not reach the finish screen";

    const std::string installDir = programFiles_ + "\\Morvath Trilogy\\";
    for (const ExpectedFile& file : expected) {
        uint64_t size = 0;
        uint32_t crc = 0;
        ASSERT_TRUE(Measure(installDir + file.path, size, crc)) << "missing: " << file.path;
        EXPECT_EQ(size, file.size) << file.path;
        EXPECT_EQ(crc, file.crc) << file.path;
    }
    for (const char* folder :
         {"cache", "data", "override", "characters", "eReg", "mplayer", "music", "portraits",
          "save", "script compiler", "scripts", "sounds", "movies"})
        EXPECT_NE(GetFileAttributesA((installDir + folder).c_str()), INVALID_FILE_ATTRIBUTES)
            << folder;
    EXPECT_NE(GetFileAttributesA((installDir + "morvath.ini").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
