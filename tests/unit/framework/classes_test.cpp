#include <gtest/gtest.h>
#include <windows.h>

#include <thread>

#include "framework/classes.h"
#include "framework/sysutils.h"

using namespace mvt;

namespace {

TEST(StringListTest, TextJoinsWithCrLfAndSplitsAnyLineBreak) {
    TStringList list;
    list.SetText("one\r\ntwo\nthree\rfour\r\n");
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list[2], "three");
    EXPECT_EQ(list.Text(), "one\r\ntwo\r\nthree\r\nfour\r\n");
    list.SetText("a\r\n\r\nb");
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list[1], "");
}

struct Tracked : TComponent {
    Tracked(TComponent* owner, std::vector<int>* log, int id)
        : TComponent(owner), log(log), id(id) {}
    ~Tracked() override { log->push_back(id); }
    std::vector<int>* log;
    int id;
};

TEST(ComponentTest, OwnerFreesItsComponentsNewestFirst) {
    std::vector<int> log;
    {
        TComponent owner(nullptr);
        owner.Make<Tracked>(&log, 1);
        auto* second = owner.Make<Tracked>(&log, 2);
        owner.Make<Tracked>(&log, 3);
        owner.FreeComponent(second);
        EXPECT_EQ(log, std::vector<int>{2});
    }
    EXPECT_EQ(log, (std::vector<int>{2, 3, 1}));
}

TEST(SysUtilsTest, PathsAndTrim) {
    EXPECT_EQ(ExtractFilePath("C:\\a\\b.txt"), "C:\\a\\");
    EXPECT_EQ(ExtractFileName("C:\\a\\b.txt"), "b.txt");
    EXPECT_EQ(IncludeTrailingBackslash("C:\\a"), "C:\\a\\");
    EXPECT_EQ(Trim(" \t x y \r\n"), "x y");
    EXPECT_EQ(Format("%d%%", 50), "50%");
}

TEST(SysUtilsTest, QuietSystemErrorsHoldsForThisThreadAndRestoresTheModeItFound) {
    constexpr DWORD kQuiet = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
    SetThreadErrorMode(SEM_NOGPFAULTERRORBOX, nullptr);
    {
        TQuietSystemErrors quiet;
        EXPECT_EQ(GetThreadErrorMode(), kQuiet);
        DWORD otherThread = 0;
        std::thread([&] { otherThread = GetThreadErrorMode(); }).join();
        EXPECT_EQ(otherThread & kQuiet, 0u) << "other threads keep their own mode";
        {
            TQuietSystemErrors nested;
            EXPECT_EQ(GetThreadErrorMode(), kQuiet);
        }
        EXPECT_EQ(GetThreadErrorMode(), kQuiet) << "the inner guard restores the outer one";
    }
    EXPECT_EQ(GetThreadErrorMode(), static_cast<DWORD>(SEM_NOGPFAULTERRORBOX));
    SetThreadErrorMode(0, nullptr);
}

}  // namespace
