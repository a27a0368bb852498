// The progress screen built alone, with a stand-in for the wizard whose answers each test
// sets, and the setup description beside the test program written per test.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "framework/forms.h"
#include "framework/sysutils.h"
#include "install/progress_screen.h"
#include "setup/installation.h"
#include "stage_fixture.h"

namespace runtest {

struct FakeWizard : mvt::install::WizardState {
    std::string installDir;
    std::string group = "Morvath Trilogy Test";
    bool desktop = false, uninstaller = true, configuration = false;
    bool leave = false;
    bool leaveOnCloseRequest = false;
    int closeRequests = 0, finishScreens = 0;
    mvt::install::InstallationOutcome finished;  // as the finish screen was given it

    std::string InstallDirectory() const override { return installDir; }
    std::string ProgramGroupName() const override { return group; }
    bool DesktopShortcutChosen() const override { return desktop; }
    bool UninstallerChosen() const override { return uninstaller; }
    bool ConfigurationChosen() const override { return configuration; }
    bool LeaveDecided() const override { return leave; }
    // Confirming the cancel confirmation sets the cancel mark; declining does not.
    void PassCloseRequest() override {
        ++closeRequests;
        if (leaveOnCloseRequest) leave = true;
    }
    void ShowFinishScreen(const mvt::install::InstallationOutcome& outcome) override {
        ++finishScreens;
        finished = outcome;
    }
};

inline void Process() {
    mvt::Application().ProcessMessages();
}

// Writes MVTSetup.ini beside the test program: FullSize (omitted when empty) and the
// archive names as File0, File1, … (an empty name leaves a gap in the keys).
inline void WriteSetupDescription(const std::string& fullSize,
                                  const std::vector<std::string>& archives) {
    std::string text = "[Setup]\r\n";
    if (!fullSize.empty()) text += "FullSize=" + fullSize + "\r\n";
    text += "[Files]\r\n";
    for (size_t n = 0; n < archives.size(); ++n)
        if (!archives[n].empty()) text += "File" + std::to_string(n) + "=" + archives[n] + "\r\n";
    stagetest::WriteFile(mvt::ProgramFolder() + "MVTSetup.ini", text);
}

// The medium mvtpack packed from tests/gui/install/make_pack_tree.py's game tree, and
// that tree.
inline const std::string kPackedMedium = MVT_PACKED_MEDIUM;
inline const std::string kPackedGame = MVT_PACKED_GAME;

// FullSize and the archive names of a packed medium's setup description.
struct PackedDescription {
    std::string medium;
    std::string fullSize;
    std::vector<std::string> files;
};

inline PackedDescription ReadPackedDescription(const std::string& medium = kPackedMedium) {
    PackedDescription description;
    description.medium = medium;
    const std::string ini = medium + "\\MVTSetup.ini";
    char value[2048];
    GetPrivateProfileStringA("Setup", "FullSize", "", value, sizeof value, ini.c_str());
    description.fullSize = value;
    for (int n = 0;; ++n) {
        GetPrivateProfileStringA("Files", ("File" + std::to_string(n)).c_str(), "", value,
                                 sizeof value, ini.c_str());
        if (!*value) break;
        description.files.push_back(value);
    }
    return description;
}

// Copies the packed archives below the test program's own archives folder and writes the
// setup description that lists them there. The prefix "packed\" holds no text of a rule,
// so each archive still goes where its name says. Returns the names as listed.
inline std::vector<std::string> ListPackedArchives(const PackedDescription& packed) {
    std::vector<std::string> listed;
    for (const std::string& name : packed.files) {
        const std::string target = mvt::ProgramFolder() + "Archives\\packed\\" + name;
        mvt::ForceDirectories(mvt::ExtractFilePath(target));
        EXPECT_TRUE(
            CopyFileA((packed.medium + "\\Archives\\" + name).c_str(), target.c_str(), FALSE))
            << name;
        listed.push_back("packed\\" + name);
    }
    WriteSetupDescription(packed.fullSize, listed);
    return listed;
}

inline void RemovePackedArchives() {
    stagetest::RemoveTree(mvt::ProgramFolder() + "Archives\\packed");
}

inline std::string FileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return file ? bytes.str() : "<missing>";
}

// Every file below folder, as paths relative to it.
inline void ListFiles(const std::string& folder, const std::string& relative,
                      std::vector<std::string>& files) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + relative + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListFiles(folder, relative + name + "\\", files);
        else
            files.push_back(relative + name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// Every file of the packed game, byte for byte, where the medium's rules put it below
// installDir.
inline void ExpectPackedGameIn(const std::string& installDir) {
    std::vector<std::string> files;
    ListFiles(kPackedGame + "\\", "", files);
    ASSERT_EQ(files.size(), 7u);
    for (const std::string& file : files)
        EXPECT_EQ(FileBytes(installDir + "\\" + file), FileBytes(kPackedGame + "\\" + file))
            << file;
}

// A progress screen of its own for every test, on top of the stage fixture's saved registry
// and scratch shell folders.
class RunTest : public stagetest::StageTest {
  protected:
    void SetUp() override {
        StageTest::SetUp();
        // A main window of its own, so that the progress screens made and freed per test
        // never become the application's main form.
        static mvt::TForm* mainWindow = nullptr;
        if (!mainWindow) mvt::Application().CreateForm(mainWindow);
        screen = mvt::Application().CreateForm(Form10);
        Form10->SetWizard(wizard);
        Form10->ZipUnpacker1->SetDLLDirectory(MVT_DIST_DIR);
        // The screen's Install runs one installation of the setup's, as the ready screen's
        // Next does in the program.
        installation = mvt::setup::Installation::OnProgressScreen(wizard, noLog, true);
        Form10->OnInstall = [this] {
            installation->Run();
            installation->RaiseRecordFailure();
        };
        wizard.installDir = Folder("Games\\Morvath Trilogy");
    }
    void TearDown() override {
        Form10->Hide();
        Process();
        mvt::Application().FreeComponent(Form10);
        Form10 = nullptr;
        DeleteFileA((mvt::ProgramFolder() + "MVTSetup.ini").c_str());
        StageTest::TearDown();
    }
    bool Exists(const std::string& relative) const {
        return GetFileAttributesA((wizard.installDir + "\\" + relative).c_str()) !=
               INVALID_FILE_ATTRIBUTES;
    }

    FakeWizard wizard;
    TForm10* screen = nullptr;
    mvt::install::InstallLog noLog;
    std::unique_ptr<mvt::setup::Installation> installation;
};

}  // namespace runtest
