// Reading and deleting by checked handles, in a scratch folder with links planted from the
// shell side; and the attempt at the redirection trust policy.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>

#include "framework/guarded_files.h"
#include "framework/process_mitigation.h"
#include "framework/sysutils.h"
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
            TGuardedFolder::Open(root_ + "\\inside", true, error);
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
    // Neither renamed nor written where a link leads, and a name taken is never written.
    EXPECT_EQ(RenameBelow(inside, "folder\\victim.txt", "moved.txt", true, error),
              TGuardedOutcome::NotOurs);
    EXPECT_EQ(RenameBelow(inside, "file.txt", "moved.txt", true, error), TGuardedOutcome::NotOurs);
    EXPECT_EQ(CreateBelow(inside, "folder\\planted.txt", "x", error), TGuardedOutcome::NotOurs);
    EXPECT_EQ(CreateBelow(inside, "file.txt", "x", error), TGuardedOutcome::Failed);
    EXPECT_FALSE(Exists(outside + "\\planted.txt"));
    EXPECT_FALSE(Exists(outside + "\\moved.txt"));
    EXPECT_EQ(Read(outside + "\\victim.txt"), "not yours");
    EXPECT_TRUE(Exists(outside));
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
    EXPECT_FALSE(TGuardedFolder::Open(root_ + "\\inside\\via", true, error));
    EXPECT_NE(error.find("outside"), std::string::npos) << error;
    // Taken where it leads only when asked for: the uninstaller's own folder.
    std::optional<TGuardedFolder> taken =
        TGuardedFolder::Open(root_ + "\\inside\\via", false, error);
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

}  // namespace
