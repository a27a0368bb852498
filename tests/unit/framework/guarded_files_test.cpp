// The elevated programs' safeguards: reading, writing and deleting by checked handles, in a
// scratch folder with symbolic and hard links planted from the shell side; private folders
// and their rights; the attempt at the redirection trust policy; and how a program is
// started for the signed-in user.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <thread>

#include "framework/guarded_files.h"
#include "framework/inifiles.h"
#include "framework/private_folder.h"
#include "framework/process_mitigation.h"
#include "framework/sysutils.h"
#include "framework/user_start.h"
#include "support/folder_rights.h"
#include "support/plant_link.h"

using namespace mvt;

namespace {

void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}
std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class GuardedFilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        root_ = std::string(temp) + "mvt guarded\\" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
        Clear(root_);
        ForceDirectories(root_ + "\\inside\\sub");
        ForceDirectories(root_ + "\\outside");
        Write(root_ + "\\outside\\victim.txt", "not yours");
    }
    void TearDown() override { Clear(root_); }
    // Removes the scratch tree from the shell side, links as links.
    static void Clear(const std::string& folder) {
        if (!Exists(folder)) return;
        ASSERT_TRUE(testsupport::RemoveTree(folder)) << folder;
    }
    TGuardedFolder Inside() {
        std::string error;
        std::optional<TGuardedFolder> folder =
            TGuardedFolder::Open(root_ + "\\inside", TFolderWay::NoLinkOnTheWay, error);
        EXPECT_TRUE(folder) << error;
        return std::move(*folder);
    }
    std::string root_;
};

TEST_F(GuardedFilesTest, DeletesFilesAndEmptyFoldersInPlace) {
    Write(root_ + "\\inside\\sub\\a.txt", "a");
    SetFileAttributesA((root_ + "\\inside\\sub\\a.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    Write(root_ + "\\inside\\sub\\b.txt", "b");
    const TGuardedFolder inside = Inside();
    std::string error;
    EXPECT_EQ(DeleteBelow(inside, "sub\\a.txt", false, error), TGuardedOutcome::Done) << error;
    EXPECT_FALSE(Exists(root_ + "\\inside\\sub\\a.txt")) << "read-only goes too";
    EXPECT_EQ(DeleteBelow(inside, "sub", true, error), TGuardedOutcome::NotEmpty);
    EXPECT_EQ(DeleteBelow(inside, "sub\\b.txt", true, error), TGuardedOutcome::NotOurs)
        << "a file is no folder";
    EXPECT_EQ(DeleteBelow(inside, "sub\\b.txt", false, error), TGuardedOutcome::Done);
    EXPECT_EQ(DeleteBelow(inside, "sub", true, error), TGuardedOutcome::Done);
    EXPECT_FALSE(Exists(root_ + "\\inside\\sub"));
    EXPECT_EQ(DeleteBelow(inside, "sub\\b.txt", false, error), TGuardedOutcome::Missing);
    EXPECT_EQ(DeleteBelow(inside, "none.txt", false, error), TGuardedOutcome::Missing);

    // Held for a moment by another program that does not share deletion (the shell reading a
    // shortcut just made): the deletion waits for it. Held throughout: it fails, and says why.
    const std::string held = root_ + "\\inside\\held.lnk";
    Write(held, "link");
    HANDLE reader = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    std::thread letGo([reader] {
        Sleep(200);
        CloseHandle(reader);
    });
    EXPECT_EQ(DeleteBelow(inside, "held.lnk", false, error), TGuardedOutcome::Done) << error;
    letGo.join();
    EXPECT_FALSE(Exists(held));
    Write(held, "link");
    reader = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                         nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(DeleteBelow(inside, "held.lnk", false, error), TGuardedOutcome::Failed);
    EXPECT_FALSE(error.empty());
    CloseHandle(reader);
    EXPECT_TRUE(Exists(held));
}

TEST_F(GuardedFilesTest, NeverDeletesOrReadsThroughALink) {
    const std::string outside = root_ + "\\outside";
    ASSERT_TRUE(testsupport::PlantLink(root_ + "\\inside\\folder", outside));
    ASSERT_TRUE(testsupport::PlantLink(root_ + "\\inside\\file.txt", outside + "\\victim.txt"));
    ASSERT_EQ(Read(root_ + "\\inside\\folder\\victim.txt"), "not yours") << "the link leads out";
    const TGuardedFolder inside = Inside();
    std::string error, bytes;
    EXPECT_EQ(DeleteBelow(inside, "folder\\victim.txt", false, error), TGuardedOutcome::NotOurs);
    EXPECT_EQ(DeleteBelow(inside, "file.txt", false, error), TGuardedOutcome::NotOurs);
    EXPECT_EQ(DeleteBelow(inside, "folder", true, error), TGuardedOutcome::NotOurs);
    EXPECT_EQ(ReadBelow(inside, "file.txt", 1000, bytes, error), TGuardedOutcome::NotOurs);
    EXPECT_EQ(ReadBelow(inside, "folder\\victim.txt", 1000, bytes, error),
              TGuardedOutcome::NotOurs);
    EXPECT_EQ(bytes, "");
    // A folder held for reading below it is never one a link leads to.
    TGuardedOutcome held = TGuardedOutcome::Done;
    EXPECT_FALSE(TGuardedFolder::OpenBelow(inside, "folder", held, error));
    EXPECT_EQ(held, TGuardedOutcome::NotOurs);
    // Neither renamed nor written where a link leads, and a name taken is never written.
    EXPECT_EQ(RenameBelow(inside, "folder\\victim.txt", "moved.txt", true, error),
              TGuardedOutcome::NotOurs);
    EXPECT_EQ(RenameBelow(inside, "file.txt", "moved.txt", true, error), TGuardedOutcome::NotOurs);
    EXPECT_EQ(CreateBelow(inside, "folder\\planted.txt", "x", error), TGuardedOutcome::NotOurs);
    EXPECT_EQ(CreateBelow(inside, "file.txt", "x", error), TGuardedOutcome::Failed);
    EXPECT_FALSE(Exists(outside + "\\planted.txt"));
    EXPECT_FALSE(Exists(outside + "\\moved.txt"));
    // A hard link looks like a plain file of its own: its second name gives it away.
    ASSERT_TRUE(testsupport::PlantHardLink(root_ + "\\inside\\hard.txt", outside + "\\victim.txt"));
    SetFileAttributesA((outside + "\\victim.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(DeleteBelow(inside, "hard.txt", false, error), TGuardedOutcome::NotOurs);
    EXPECT_EQ(ReadBelow(inside, "hard.txt", 1000, bytes, error), TGuardedOutcome::NotOurs);
    TGuardedOutcome outcome;
    for (const char* name : {"hard.txt", "file.txt"}) {
        EXPECT_FALSE(OpenFileBelow(inside, name, TGuardedCreation::ExistingOrNew, GENERIC_WRITE, 0,
                                   outcome, error))
            << name;
        EXPECT_EQ(outcome, TGuardedOutcome::NotOurs) << name;
        EXPECT_FALSE(OpenFileIn(inside, name, FILE_SHARE_READ, outcome, error)) << name;
        EXPECT_EQ(outcome, TGuardedOutcome::NotOurs) << name;
    }
    EXPECT_EQ(GetFileAttributesA((outside + "\\victim.txt").c_str()) & FILE_ATTRIBUTE_READONLY,
              DWORD{FILE_ATTRIBUTE_READONLY})
        << "its attributes stay as well";
    SetFileAttributesA((outside + "\\victim.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(Read(outside + "\\victim.txt"), "not yours");
    EXPECT_TRUE(Exists(outside));
}

// A folder held once, and the files in it read from it in one step: as from the top.
TEST_F(GuardedFilesTest, AFolderHeldBelowReachesItsFilesInOneStep) {
    Write(root_ + "\\inside\\sub\\a.txt", "a");
    const TGuardedFolder inside = Inside();
    TGuardedOutcome outcome = TGuardedOutcome::Failed;
    std::string error, bytes;
    const std::optional<TGuardedFolder> sub =
        TGuardedFolder::OpenBelow(inside, "sub", outcome, error);
    ASSERT_TRUE(sub) << error;
    EXPECT_EQ(outcome, TGuardedOutcome::Done);
    EXPECT_EQ(sub->Path(), root_ + "\\inside\\sub");
    EXPECT_EQ(ReadBelow(*sub, "a.txt", 100, bytes, error), TGuardedOutcome::Done) << error;
    EXPECT_EQ(bytes, "a");
    EXPECT_TRUE(OpenFileBelow(*sub, "a.txt", TGuardedCreation::Existing, GENERIC_READ,
                              FILE_SHARE_READ, outcome, error));
    EXPECT_EQ(outcome, TGuardedOutcome::Done);
    EXPECT_FALSE(OpenFileBelow(*sub, "none.txt", TGuardedCreation::Existing, GENERIC_READ,
                               FILE_SHARE_READ, outcome, error));
    EXPECT_EQ(outcome, TGuardedOutcome::Missing);
    // Only the file's handle, for a caller that holds the folder.
    EXPECT_TRUE(OpenFileIn(*sub, "a.txt", FILE_SHARE_READ, outcome, error)) << error;
    EXPECT_EQ(outcome, TGuardedOutcome::Done);
    EXPECT_FALSE(OpenFileIn(*sub, "none.txt", FILE_SHARE_READ, outcome, error));
    EXPECT_EQ(outcome, TGuardedOutcome::Missing);
    EXPECT_FALSE(OpenFileIn(inside, "sub\\a.txt", FILE_SHARE_READ, outcome, error));
    EXPECT_EQ(outcome, TGuardedOutcome::Failed) << "a name with a folder in it";
    EXPECT_FALSE(TGuardedFolder::OpenBelow(inside, "none", outcome, error));
    EXPECT_EQ(outcome, TGuardedOutcome::Missing);
    EXPECT_FALSE(TGuardedFolder::OpenBelow(inside, "sub\\a.txt", outcome, error));
    EXPECT_EQ(outcome, TGuardedOutcome::NotOurs) << "a file is no folder";
}

// Files made or rewritten through checked handles: made only where nothing is, not even a
// link that leads nowhere (nothing is made where it leads), and held while open.
TEST_F(GuardedFilesTest, WritesOnlyFilesOfTheirOwnInPlace) {
    const TGuardedFolder inside = Inside();
    std::string error;
    TGuardedOutcome outcome;
    std::optional<TGuardedFile> made =
        OpenFileBelow(inside, "sub\\new.ini", TGuardedCreation::ExistingOrNew,
                      GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, outcome, error);
    ASSERT_TRUE(made) << error;
    ASSERT_TRUE(made->Rewrite("first, and longer", error)) << error;
    ASSERT_TRUE(made->Rewrite("second", error)) << error;
    std::string bytes;
    EXPECT_TRUE(made->Read(100, bytes, error));
    EXPECT_EQ(bytes, "second");
    EXPECT_FALSE(MoveFileA((root_ + "\\inside\\sub\\new.ini").c_str(),
                           (root_ + "\\inside\\moved.ini").c_str()))
        << "held: no rename";
    EXPECT_FALSE(MoveFileA((root_ + "\\inside\\sub").c_str(), (root_ + "\\inside\\moved").c_str()))
        << "the level on its way is held too";
    made.reset();
    EXPECT_EQ(Read(root_ + "\\inside\\sub\\new.ini"), "second");
    EXPECT_FALSE(OpenFileBelow(inside, "sub\\new.ini", TGuardedCreation::New, GENERIC_WRITE, 0,
                               outcome, error));
    EXPECT_EQ(outcome, TGuardedOutcome::Exists);
    EXPECT_FALSE(OpenFileBelow(inside, "none.ini", TGuardedCreation::Existing, GENERIC_WRITE, 0,
                               outcome, error));
    EXPECT_EQ(outcome, TGuardedOutcome::Missing);

    // A link whose file is gone again: it leads nowhere.
    const std::string nowhere = root_ + "\\outside\\made-through-link.txt";
    Write(nowhere, "gone soon");
    ASSERT_TRUE(testsupport::PlantLink(root_ + "\\inside\\dangling.txt", nowhere));
    ASSERT_TRUE(DeleteFileA(nowhere.c_str()));
    for (const TGuardedCreation creation : {TGuardedCreation::ExistingOrNew, TGuardedCreation::New})
        EXPECT_FALSE(
            OpenFileBelow(inside, "dangling.txt", creation, GENERIC_WRITE, 0, outcome, error));
    EXPECT_EQ(outcome, TGuardedOutcome::Exists) << "a taken name, for a new file";
    EXPECT_FALSE(Exists(nowhere));
}

// An ini file written by name through the system's profile functions reaches only the file
// of that name: a link of any kind there is refused before anything is written.
TEST_F(GuardedFilesTest, IniFilesAreWrittenThroughTheirCheckedHandleOnly) {
    const std::string folder = root_ + "\\inside";
    Write(folder + "\\kept.ini", "[Other]\r\nkey=1\r\n");
    {
        TGuardedIniFile ini(folder, "kept.ini");
        ini.WriteString("New", "value", "2");
        EXPECT_EQ(Read(folder + "\\kept.ini"), "[Other]\r\nkey=1\r\n[New]\r\nvalue=2\r\n")
            << "each write reaches the file at once";
        EXPECT_EQ(ini.ReadString("Other", "key", ""), "1");
        TGuardedIniFile missing(folder, "missing.ini");
        missing.EraseSection("Gone");
        EXPECT_FALSE(Exists(folder + "\\missing.ini")) << "nothing written, nothing made";
        missing.WriteInteger("Made", "n", 3);
        EXPECT_EQ(Read(folder + "\\missing.ini"), "[Made]\r\nn=3\r\n");
    }
    const std::string victim = root_ + "\\outside\\victim.txt";
    ASSERT_TRUE(testsupport::PlantLink(folder + "\\soft.ini", victim));
    ASSERT_TRUE(testsupport::PlantHardLink(folder + "\\hard.ini", victim));
    for (const char* name : {"soft.ini", "hard.ini"}) try {
            TGuardedIniFile ini(folder, name);
            ADD_FAILURE() << name << " was taken";
        } catch (const EIniFileException& refused) {
            EXPECT_EQ(std::string(refused.what()), "Unable to write to " + folder + "\\" + name);
        }
    EXPECT_EQ(Read(victim), "not yours");
}

TEST(PrivateFolderTest, ARandomNameThatOnlySystemAndAdministratorsMayEnter) {
    std::string error;
    std::optional<TPrivateFolder> first = TPrivateFolder::Make("mvt-test-", error);
    std::optional<TPrivateFolder> second = TPrivateFolder::Make("mvt-test-", error);
    ASSERT_TRUE(first && second) << error;
    const std::string name = ExtractFileName(first->Path());
    EXPECT_EQ(ExtractFilePath(first->Path()), TemporaryFolder() + "\\");
    ASSERT_EQ(name.size(), std::string("mvt-test-").size() + TPrivateFolder::kRandomBits / 4);
    EXPECT_EQ(name.find_first_not_of("0123456789abcdef", 9), std::string::npos) << name;
    EXPECT_NE(first->Path(), second->Path());
    EXPECT_TRUE(testsupport::OnlySystemAndAdministrators(first->Path()));
    // A folder made plainly in the same place lets others in: the check can tell.
    const std::string plain = TemporaryFolder() + "\\mvt-test-plain";
    CreateDirectoryA(plain.c_str(), nullptr);
    EXPECT_FALSE(testsupport::OnlySystemAndAdministrators(plain));
    RemoveDirectoryA(plain.c_str());

    const std::string path = first->Path();
    Write(path + "\\file.txt", "x");
    first.reset();
    EXPECT_FALSE(Exists(path)) << "it goes with what was put in it";
    second->Keep();
    const std::string kept = second->Path();
    second.reset();
    EXPECT_TRUE(Exists(kept));
    RemoveDirectoryA(kept.c_str());
}

TEST_F(GuardedFilesTest, RenamesAndCreatesInPlace) {
    Write(root_ + "\\inside\\sub\\a.txt", "old");
    Write(root_ + "\\inside\\sub\\b.txt", "new");
    const TGuardedFolder inside = Inside();
    std::string error;
    EXPECT_EQ(RenameBelow(inside, "sub\\a.txt", "b.txt", false, error), TGuardedOutcome::Failed)
        << "a name taken stays without replace";
    EXPECT_EQ(RenameBelow(inside, "sub\\a.txt", "b.txt", true, error), TGuardedOutcome::Done);
    EXPECT_EQ(Read(root_ + "\\inside\\sub\\b.txt"), "old");
    EXPECT_FALSE(Exists(root_ + "\\inside\\sub\\a.txt"));
    EXPECT_EQ(RenameBelow(inside, "sub\\a.txt", "c.txt", false, error), TGuardedOutcome::Missing);
    EXPECT_EQ(CreateBelow(inside, "sub\\c.txt", std::string("x\0y", 3), error),
              TGuardedOutcome::Done);
    EXPECT_EQ(Read(root_ + "\\inside\\sub\\c.txt"), std::string("x\0y", 3));
    EXPECT_EQ(CreateBelow(inside, "gone\\c.txt", "x", error), TGuardedOutcome::Missing);
}

TEST_F(GuardedFilesTest, AFolderWithALinkOnItsWayIsRefusedWhenTheWholeWayCounts) {
    ASSERT_TRUE(testsupport::PlantLink(root_ + "\\inside\\via", root_ + "\\outside"));
    std::string error;
    EXPECT_FALSE(TGuardedFolder::Open(root_ + "\\inside\\via", TFolderWay::NoLinkOnTheWay, error));
    EXPECT_FALSE(TGuardedFolder::Open(root_ + "\\inside\\via", TFolderWay::NoLinkAtItsEnd, error));
    EXPECT_TRUE(
        TGuardedFolder::Open(root_ + "\\inside\\via\\..\\sub", TFolderWay::NoLinkAtItsEnd, error))
        << "links further up are the way chosen: " << error;
    EXPECT_NE(error.find("outside"), std::string::npos) << error;
    // Taken where it leads only when asked for: the uninstaller's own folder.
    std::optional<TGuardedFolder> taken =
        TGuardedFolder::Open(root_ + "\\inside\\via", TFolderWay::Followed, error);
    ASSERT_TRUE(taken);
    std::string bytes;
    EXPECT_EQ(ReadBelow(*taken, "victim.txt", 1000, bytes, error), TGuardedOutcome::Done);
    EXPECT_EQ(bytes, "not yours");
    EXPECT_EQ(ReadBelow(*taken, "victim.txt", 3, bytes, error), TGuardedOutcome::Failed)
        << "longer than the limit";
}

// ---- the redirection trust policy ----

struct PolicyCall {
    int calls = 0;
    int policy = -1;
    DWORD flags = 0;
    SIZE_T length = 0;
};
PolicyCall lastCall;  // the fake below records into it

BOOL WINAPI AcceptingPolicy(int policy, PVOID buffer, SIZE_T length) {
    ++lastCall.calls;
    lastCall.policy = policy;
    lastCall.flags = *static_cast<DWORD*>(buffer);
    lastCall.length = length;
    return TRUE;
}
BOOL WINAPI RefusingPolicy(int, PVOID, SIZE_T) {
    ++lastCall.calls;
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

TEST(RedirectionTrustTest, ThePolicyIsAskedForAndAMissingOrRefusedOneIsTolerated) {
    lastCall = {};
    EXPECT_TRUE(EnforceRedirectionTrust(&AcceptingPolicy));
    EXPECT_EQ(lastCall.calls, 1);
    EXPECT_EQ(lastCall.policy, 16);  // ProcessRedirectionTrustPolicy
    EXPECT_EQ(lastCall.flags, 1u);   // EnforceRedirectionTrust
    EXPECT_EQ(lastCall.length, sizeof(DWORD));
    EXPECT_FALSE(EnforceRedirectionTrust(&RefusingPolicy));
    EXPECT_EQ(lastCall.calls, 2);
    EXPECT_FALSE(EnforceRedirectionTrust(nullptr)) << "a system without the call";
}

// ---- the start of a program for the signed-in user ----

// A token of the given kind and a desktop shell that takes the start or refuses it.
class FakeUserStart final : public TUserStartSystem {
  public:
    FakeUserStart(TOKEN_ELEVATION_TYPE type, bool shellTakes) : type_(type), takes_(shellTakes) {}
    TOKEN_ELEVATION_TYPE ElevationType() override { return type_; }
    bool StartThroughDesktopShell(const std::string& program, const std::string& folder,
                                  std::string& why) override {
        started += program + " in " + folder;
        why = "no shell here";
        return takes_;
    }
    std::string started;

  private:
    TOKEN_ELEVATION_TYPE type_;
    bool takes_;
};

TEST(UserStartTest, ASplitTokenStartsThroughTheDesktopShellElseTheCallerStarts) {
    FakeUserStart split(TokenElevationTypeFull, true);
    TUserStartOutcome outcome = StartAsSignedInUser(split, "C:\\G\\MVConfig.exe", "C:\\G");
    EXPECT_TRUE(outcome.throughShell);
    EXPECT_EQ(split.started, "C:\\G\\MVConfig.exe in C:\\G");
    EXPECT_NE(outcome.note.find("с правами пользователя через оболочку"), std::string::npos);

    FakeUserStart noShell(TokenElevationTypeFull, false);
    outcome = StartAsSignedInUser(noShell, "C:\\G\\MVConfig.exe", "C:\\G");
    EXPECT_FALSE(outcome.throughShell);
    EXPECT_FALSE(noShell.started.empty()) << "the shell was asked";
    EXPECT_NE(outcome.note.find("с правами программы установки"), std::string::npos);
    EXPECT_NE(outcome.note.find("(no shell here)"), std::string::npos) << outcome.note;

    for (const TOKEN_ELEVATION_TYPE type : {TokenElevationTypeDefault, TokenElevationTypeLimited}) {
        FakeUserStart unsplit(type, true);
        outcome = StartAsSignedInUser(unsplit, "C:\\G\\MVConfig.exe", "C:\\G");
        EXPECT_FALSE(outcome.throughShell) << type;
        EXPECT_EQ(unsplit.started, "") << "no split token: the shell is not asked";
        EXPECT_FALSE(outcome.note.empty());
    }
}

}  // namespace
