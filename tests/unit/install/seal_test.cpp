// The seal the installation leaves for its uninstaller in its own key below the uninstall
// entry: which game folders the run made, the SHA-256 of the list of installed files and of
// the shortcut list, and the two folders shortcuts went into; read back from the prefix's
// registry.
#include <windows.h>

#include <algorithm>
#include <fstream>

#include "framework/inifiles.h"
#include "framework/sha256.h"
#include "install/installation_seal.h"
#include "install/program_group.h"
#include "install/medium_layout.h"
#include "stage_fixture.h"
#include "support/plant_link.h"

using namespace stagetest;

namespace {

// SHA-256 test vectors of the published standard.
constexpr char kAbcHash[] = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
constexpr char kEmptyHash[] = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";

std::string Text(const RegValue& value) {
    return value.found && value.type == REG_SZ ? std::string(value.data.c_str()) : "<none>";
}

TEST(Sha256Test, TheSystemsHashGivesTheStandardsValues) {
    EXPECT_EQ(mvt::Sha256Hex("abc"), kAbcHash);
    EXPECT_EQ(mvt::Sha256Hex(""), kEmptyHash);
    EXPECT_EQ(mvt::Sha256Hex(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST_F(StageTest, GameFoldersMadeAreThoseThatWereNotThereBefore) {
    const std::string dir = scratch_ + "\\New\\Morvath Trilogy";
    mvt::ForceDirectories(dir + "\\music");  // the user's own, from before
    const uint32_t made = mvt::install::MakeGameFolders(dir);
    for (size_t n = 0; n < std::size(mvt::install::kGameFolders); ++n) {
        const char* folder = mvt::install::kGameFolders[n];
        EXPECT_TRUE(mvt::DirectoryExists(dir + folder)) << folder;
        EXPECT_EQ((made >> n) & 1, std::string(folder) == "\\music" ? 0u : 1u) << folder;
    }
    EXPECT_EQ(made >> std::size(mvt::install::kGameFolders), 0u);
    EXPECT_EQ(mvt::install::MakeGameFolders(dir), 0u) << "all there now";
}

TEST_F(StageTest, TheInstallationsOwnKeyCarriesTheSealOfWhatTheRunWrote) {
    const std::string dir = Folder("Games\\Morvath Trilogy");
    WriteFile(dir + "\\unregmvt.lst", "abc");
    madeGameFolders_ = 0x1005;
    RunStages(dir);
    // Named by the folder, '/' for '\\', found again from any spelling of it.
    std::string name = dir;
    std::replace(name.begin(), name.end(), '\\', '/');
    const std::string seal = std::string(kUninstall) + "\\Installations\\" + name;
    auto value = [&](const char* name) { return ReadValue(HKEY_LOCAL_MACHINE, seal, name); };
    EXPECT_EQ(Text(value("InstalledFilesSha256")), kAbcHash);
    const std::string spelled = mvt::install::SealKey(mvt::AnsiLowerCase(dir) + "\\");
    EXPECT_EQ(Text(ReadValue(HKEY_LOCAL_MACHINE, spelled, "InstalledFilesSha256")), kAbcHash);
    EXPECT_EQ(Text(value("ProgramGroupFolder")), programs_ + "\\Morvath Trilogy");
    EXPECT_EQ(Text(value("DesktopFolder")), desktop_);
    const RegValue folders = value("GameFoldersMade");
    EXPECT_EQ(folders.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(folders.data, std::string("\x05\x10\0\0", 4));
    // The shortcut list's hash covers the section as it is read back from the file.
    mvt::TIniFile list(dir + "\\unreglst.ini");
    std::vector<mvt::install::ShortcutEntry> entries;
    for (const std::string& key : list.ReadSection("ShortCuts"))
        entries.push_back({key, list.ReadString("ShortCuts", key, "")});
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries[0].key + "=" + entries[0].linkFile,
              "ShCut#1=" + programs_ + "\\Morvath Trilogy\\Запуск Трилогии Морвата.lnk");
    EXPECT_EQ(Text(value("ShortCutsSha256")), mvt::Sha256Hex(mvt::install::ShortCutsText(entries)));
    EXPECT_NE(Text(value("ShortCutsSha256")), kEmptyHash);
}

TEST_F(StageTest, WithoutDesktopShortcutNoDesktopFolderIsTrusted) {
    const std::string dir = Folder("Games\\Morvath Trilogy");
    choices_.desktop = false;
    RunStages(dir);
    const std::string seal = mvt::install::SealKey(dir);
    EXPECT_EQ(Text(ReadValue(HKEY_LOCAL_MACHINE, seal, "DesktopFolder")), "");
    EXPECT_EQ(Text(ReadValue(HKEY_LOCAL_MACHINE, seal, "InstalledFilesSha256")), "")
        << "no list, no hash: the uninstaller refuses then";
}

// The list of installed files the seal names is the medium's: a list in the install
// directory that differs from it (changed after unpacking, or swapped for a hard link to the
// same bytes elsewhere) fails the uninstaller's registration before its entry is written;
// a missing one is sealed as none.
TEST_F(StageTest, AnInstalledListThatIsNotTheMediumsFailsTheRegistration) {
    const std::string dir = Folder("Games\\Morvath Trilogy");
    const std::string outside = Folder("Outside") + "\\unregmvt.lst";
    WriteFile(dir + "\\unregmvt.lst", "abd");
    WriteFile(outside, "abc");
    for (int round = 0; round < 2; ++round) {
        mediumList_ = "abc";
        EXPECT_THROW(RunStages(dir), mvt::Exception) << round;
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstall)) << round;
        EXPECT_FALSE(FileExists(dir + "\\morvath.ini")) << round;
        // Then the same bytes as the medium's, but through a hard link to a file elsewhere.
        if (round == 0) ASSERT_TRUE(testsupport::PlantHardLink(dir + "\\unregmvt.lst", outside));
    }
    // One the unpacking left out (a full drive, skipped) is no list: sealed as none.
    ASSERT_TRUE(DeleteFileA((dir + "\\unregmvt.lst").c_str()));
    mediumList_ = "abc";
    RunStages(dir);
    EXPECT_EQ(
        Text(ReadValue(HKEY_LOCAL_MACHINE, mvt::install::SealKey(dir), "InstalledFilesSha256")),
        "");
    EXPECT_TRUE(testsupport::RemoveTree(scratch_));
}

// The two ini files are written through checked handles only: one that is a link of any
// kind (a symbolic link, or a hard link, which looks like a plain file of its own) is
// refused with the ini file's error before anything goes through it, on a first installation
// and over an earlier one; the file it leads to never changes.
TEST_F(StageTest, IniFilesThatAreLinksAreNotWrittenThrough) {
    const std::string dir = Folder("Games\\Morvath Trilogy");
    const std::string outside = Folder("Outside") + "\\system.ini";
    const std::string kept = "[ShortCuts]\r\nkept=1\r\n";
    WriteFile(outside, kept);
    using Plant = bool (*)(const std::string&, const std::string&);
    for (const Plant plant : {&testsupport::PlantLink, &testsupport::PlantHardLink})
        for (const bool earlier : {false, true})
            for (const char* name : {"unreglst.ini", "morvath.ini"}) {
                const std::string file = dir + "\\" + name;
                ASSERT_TRUE(testsupport::RemoveTree(dir));
                mvt::ForceDirectories(dir);
                if (earlier) RunStages(dir);
                ASSERT_TRUE(plant(file, outside)) << file;
                try {
                    RunStages(dir);
                    ADD_FAILURE() << file << " was written through"
                                  << (plant == &testsupport::PlantLink ? ", a symbolic link"
                                                                       : ", a hard link")
                                  << (earlier ? ", over an earlier one" : "");
                } catch (const mvt::EIniFileException& refused) {
                    EXPECT_EQ(std::string(refused.what()), "Unable to write to " + file);
                }
                EXPECT_EQ(FileText(outside), kept)
                    << file << (earlier ? " over an earlier one" : "");
            }
    EXPECT_TRUE(testsupport::RemoveTree(scratch_));
}

}  // namespace
