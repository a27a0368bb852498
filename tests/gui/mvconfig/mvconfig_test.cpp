// The game's configuration program on a real "morvath.ini": its settings logic, its window
// in this process, and the built MVConfig.exe driven from outside.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

#include "config_form.h"
#include "framework/forms.h"
#include "framework/inifiles.h"
#include "framework/sysutils.h"
#include "game_settings.h"
#include "support/process_windows.h"

using namespace mvt;
using namespace mvconfig;

namespace {

// What the setup writes, in its order, with keys of the game's own around them.
constexpr char kInstalledIni[] =
    "[Program Options]\r\n"
    "Installing=0\r\n"
    "Install Type=2\r\n"
    "[Game Options]\r\n"
    "Gore=1\r\n"
    "Memory Access=100\r\n"
    "Memory Level=2\r\n"
    "Never Show Nuisance DKM=1\r\n"
    "Never Show Nuisance=1\r\n"
    "Environmental Audio=0\r\n"
    "Footsteps=1\r\n"
    "Mouse Scroll Speed=36\r\n"
    "[Local]\r\n"
    "Language=Russian\r\n"
    "Language25=Russian\r\n"
    "[Alias]\r\n"
    "HD0:=C:\\Games\\Морват\\\r\n"
    "CD1:=C:\\Games\\Морват\\\r\n"
    "CD2:=C:\\Games\\Морват\\\r\n"
    "CD3:=C:\\Games\\Морват\\\r\n"
    "CD4:=C:\\Games\\Морват\\\r\n"
    "CD5:=C:\\Games\\Морват\\\r\n"
    "[GameSpy]\r\n"
    "Enabled=1\r\n"
    "[Keys]\r\n"
    "Quick Save=Q\r\n";

std::string ReadText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
}

class MVConfigTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        folder_ =
            std::string(temp) + "mvt mvconfig Морват " + std::to_string(GetCurrentProcessId());
        ASSERT_TRUE(ForceDirectories(folder_));
        ini_ = SettingsPath(folder_);
        DeleteFileA(ini_.c_str());
    }
    void TearDown() override {
        DeleteFileA(ini_.c_str());
        RemoveDirectoryA(ini_.c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    std::string Value(const char* section, const char* key) {
        return TIniFile(ini_).ReadString(section, key, "<none>");
    }

    std::string folder_, ini_;
};

TEST_F(MVConfigTest, ReadsTheValuesTheSetupWrote) {
    WriteText(ini_, kInstalledIni);
    GameSettings settings = LoadGameSettings(ini_);
    EXPECT_EQ(settings.memoryLevel, 2);
    EXPECT_FALSE(settings.environmentalAudio);
    EXPECT_TRUE(settings.footsteps);
    EXPECT_EQ(settings.language, "Russian");
    for (const std::string& alias : settings.aliases) EXPECT_EQ(alias, "C:\\Games\\Морват\\");
}

TEST_F(MVConfigTest, WithoutAFileTheSetupsValuesAreShown) {
    GameSettings settings = LoadGameSettings(ini_);
    EXPECT_EQ(settings.memoryLevel, 1);
    EXPECT_FALSE(settings.environmentalAudio);
    EXPECT_TRUE(settings.footsteps);
    EXPECT_EQ(settings.language, "English");
    for (const std::string& alias : settings.aliases) EXPECT_EQ(alias, folder_ + "\\");
    EXPECT_EQ(SettingsPath("C:\\"), "C:\\morvath.ini");
}

TEST_F(MVConfigTest, SavingChangesOnlyItsKeysAndKeepsTheOthers) {
    WriteText(ini_, kInstalledIni);
    GameSettings settings = LoadGameSettings(ini_);
    settings.memoryLevel = 4;
    settings.environmentalAudio = true;
    settings.footsteps = false;
    settings.language = "German";
    settings.aliases[0] = "  D:\\Morvath  ";  // trimmed, separator added
    settings.aliases[3] = "   ";              // blank: the file keeps its value
    SaveGameSettings(settings, ini_);

    EXPECT_EQ(Value("Game Options", "Memory Level"), "4");
    EXPECT_EQ(Value("Game Options", "Environmental Audio"), "1");
    EXPECT_EQ(Value("Game Options", "Footsteps"), "0");
    EXPECT_EQ(Value("Local", "Language"), "German");
    EXPECT_EQ(Value("Local", "Language25"), "German");
    EXPECT_EQ(Value("Alias", "HD0:"), "D:\\Morvath\\");
    EXPECT_EQ(Value("Alias", "CD3:"), "C:\\Games\\Морват\\");
    EXPECT_EQ(Value("Alias", "CD5:"), "C:\\Games\\Морват\\");
    // Everything else as it was, where it was.
    EXPECT_EQ(Value("Game Options", "Gore"), "1");
    EXPECT_EQ(Value("Game Options", "Mouse Scroll Speed"), "36");
    EXPECT_EQ(Value("Game Options", "Memory Access"), "100");
    EXPECT_EQ(Value("Program Options", "Install Type"), "2");
    EXPECT_EQ(Value("GameSpy", "Enabled"), "1");
    EXPECT_EQ(Value("Keys", "Quick Save"), "Q");
    std::string text = ReadText(ini_);
    EXPECT_LT(text.find("Gore=1"), text.find("Memory Level=4"));
    EXPECT_LT(text.find("Memory Level=4"), text.find("Mouse Scroll Speed=36"));
    EXPECT_LT(text.find("[GameSpy]"), text.find("[Keys]"));
    EXPECT_EQ(LoadGameSettings(ini_).memoryLevel, 4);
}

// A settings file the system refuses to write (here a folder stands where the file should
// be: a read-only attribute does not stop the root user the tests may run as).
TEST_F(MVConfigTest, ARefusedWriteIsReportedAndLosesNothing) {
    ASSERT_TRUE(CreateDirectoryA(ini_.c_str(), nullptr));
    GameSettings settings = LoadGameSettings(ini_);
    settings.memoryLevel = 3;
    try {
        SaveGameSettings(settings, ini_);
        ADD_FAILURE() << "an unwritable file was reported as saved";
    } catch (const EIniFileException& error) {
        EXPECT_EQ(error.Message(), "Unable to write to " + ini_);
    }

    TConfigForm form(nullptr, ini_);
    std::string told;
    form.OnMessage = [&](const std::string& text) { told = text; };
    EXPECT_FALSE(form.Save());
    EXPECT_NE(told.find("Unable to write to " + ini_), std::string::npos) << told;
    EXPECT_TRUE(DirectoryExists(ini_));
    RemoveDirectoryA(ini_.c_str());
}

TEST_F(MVConfigTest, TheWindowShowsTheFileAndSavesWhatTheUserChanged) {
    WriteText(ini_, kInstalledIni);
    TConfigForm form(nullptr, ini_);
    form.Show();
    Application().ProcessMessages();
    EXPECT_EQ(form.ClientWidth(), TConfigForm::kWidth);
    EXPECT_FALSE(form.MemoryLevelButtons[0]->Down());
    EXPECT_TRUE(form.MemoryLevelButtons[1]->Down());
    EXPECT_FALSE(form.EnvironmentalAudioButton->Down());
    EXPECT_TRUE(form.FootstepsButton->Down());
    EXPECT_EQ(form.LanguageList->Item(form.LanguageList->ItemIndex()), "Russian");
    EXPECT_EQ(form.AliasEdits[2]->Text(), "C:\\Games\\Морват\\");

    auto click = [](TWinControl& control) {
        LPARAM at = MAKELPARAM(control.Width() / 2, control.Height() / 2);
        PostMessageA(control.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageA(control.Handle(), WM_LBUTTONUP, 0, at);
        Application().ProcessMessages();
    };
    click(*form.MemoryLevelButtons[2]);
    EXPECT_TRUE(form.MemoryLevelButtons[2]->Down());
    EXPECT_FALSE(form.MemoryLevelButtons[1]->Down()) << "two memory levels chosen";
    click(*form.EnvironmentalAudioButton);
    click(*form.FootstepsButton);
    EXPECT_TRUE(form.EnvironmentalAudioButton->Down());
    EXPECT_FALSE(form.FootstepsButton->Down());
    form.AliasEdits[1]->SetText("E:\\Disc 1");

    std::string told;
    form.OnMessage = [&](const std::string& text) { told = text; };
    ASSERT_TRUE(form.Save()) << told;
    EXPECT_EQ(Value("Game Options", "Memory Level"), "3");
    EXPECT_EQ(Value("Game Options", "Environmental Audio"), "1");
    EXPECT_EQ(Value("Game Options", "Footsteps"), "0");
    EXPECT_EQ(Value("Local", "Language"), "Russian");
    EXPECT_EQ(Value("Alias", "CD1:"), "E:\\Disc 1\\");
    EXPECT_EQ(form.AliasEdits[1]->Text(), "E:\\Disc 1\\") << "the window shows what was saved";
    EXPECT_EQ(Value("Keys", "Quick Save"), "Q");

    // A blank folder is refused with a message, and nothing is written.
    form.AliasEdits[4]->SetText("  ");
    click(*form.FootstepsButton);
    EXPECT_FALSE(form.Save());
    EXPECT_EQ(told, "Укажите папку для CD4:");
    EXPECT_EQ(Value("Game Options", "Footsteps"), "0");
    EXPECT_TRUE(form.Visible());
}

TEST_F(MVConfigTest, ValuesBeyondTheOfferedOnesAreKept) {
    WriteText(ini_, "[Game Options]\r\nMemory Level=7\r\n[Local]\r\nLanguage=Klingon\r\n");
    TConfigForm form(nullptr, ini_);
    for (auto* button : form.MemoryLevelButtons) EXPECT_FALSE(button->Down());
    EXPECT_EQ(form.LanguageList->Item(form.LanguageList->ItemIndex()), "Klingon");
    ASSERT_TRUE(form.Save());
    EXPECT_EQ(Value("Game Options", "Memory Level"), "7");
    EXPECT_EQ(Value("Local", "Language"), "Klingon");
}

// The built program from outside: started in the folder, as the setup starts it.
class MVConfigProgramTest : public MVConfigTest {
  protected:
    HWND Start() {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        std::string line = "\"" MVCONFIG_EXE "\"";
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            folder_.c_str(), &startup, &process_))
            return nullptr;
        HWND window = nullptr;
        testsupport::WaitUntil(
            [&] {
                return (window = testsupport::WindowWithClientSize(
                            process_.dwProcessId, TConfigForm::kWidth, TConfigForm::kHeight));
            },
            15000);
        return window;
    }
    bool WaitForExit(int milliseconds) {
        return WaitForSingleObject(process_.hProcess, milliseconds) == WAIT_OBJECT_0;
    }
    void TearDown() override {
        if (process_.hProcess) {
            if (!WaitForExit(0)) TerminateProcess(process_.hProcess, 1);
            CloseHandle(process_.hThread);
            CloseHandle(process_.hProcess);
        }
        MVConfigTest::TearDown();
    }

    PROCESS_INFORMATION process_{};
};

TEST_F(MVConfigProgramTest, ChangesOfTheUserReachTheFileInItsCurrentDirectory) {
    WriteText(ini_, kInstalledIni);
    HWND window = Start();
    ASSERT_NE(window, nullptr) << "no MVConfig window";
    EXPECT_EQ(testsupport::WindowText(window), "  Настройка Трилогии Морвата");
    EXPECT_LE(testsupport::OffCentre(window), 1);
    // The footsteps box, the CD2: folder and OK, where the layout puts them.
    testsupport::Click(testsupport::ChildAt(window, 210, 128));
    HWND cd2 = testsupport::ChildAt(window, 80, 324 + 2 * 30);
    ASSERT_NE(cd2, window);
    SendMessageA(cd2, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("F:\\Морват"));
    Sleep(200);
    testsupport::Click(testsupport::ChildAt(window, 118, 520));
    ASSERT_TRUE(WaitForExit(10000)) << "OK did not close the program";
    EXPECT_EQ(Value("Game Options", "Footsteps"), "0");
    EXPECT_EQ(Value("Alias", "CD2:"), "F:\\Морват\\");
    EXPECT_EQ(Value("Alias", "CD1:"), "C:\\Games\\Морват\\");
    EXPECT_EQ(Value("Game Options", "Gore"), "1");
    EXPECT_EQ(Value("Keys", "Quick Save"), "Q");
}

TEST_F(MVConfigProgramTest, CancelLeavesTheFolderAsItWas) {
    HWND window = Start();
    ASSERT_NE(window, nullptr) << "no MVConfig window";
    testsupport::Click(testsupport::ChildAt(window, 210, 128));
    testsupport::Click(testsupport::ChildAt(window, 298, 520));
    ASSERT_TRUE(WaitForExit(10000)) << "cancel did not close the program";
    EXPECT_FALSE(FileExists(ini_)) << "cancel wrote a settings file";
}

}  // namespace
