// Directory reading on ZipFileName assignment: archives made by real tools and damaged
// ones written byte by byte.
#include <set>

#include "ziptest.h"

namespace mvt::zip::test {
namespace {

using DirectoryRead = ZipTest;

std::set<std::string> Names(const TZipUnpacker& zip) {
    std::set<std::string> names;
    for (const auto& entry : zip.ZipContents()) names.insert(entry.fileName);
    return names;
}

TEST_F(DirectoryRead, ArchivesOfEveryToolGiveTheSameEntries) {
    for (const char* archive : {"infozip.zip", "sevenzip.zip", "bsdtar.zip"}) {
        zip->SetZipFileName(Fixture(archive));
        EXPECT_EQ(Names(*zip), (std::set<std::string>{"a.txt", "sub\\b.bin", "sub\\c.txt"}))
            << archive;
        EXPECT_EQ(zip->ErrorCode(), 0) << archive;
        for (const auto& entry : zip->ZipContents())
            if (entry.fileName == "sub\\b.bin") {
                EXPECT_EQ(entry.uncompressedSize, 300000u);
            }
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(DirectoryRead, ReportsNPlusTwoProgressEventsAndNewNames) {
    std::vector<int> sequence;
    zip->OnNewName = [&](TObject*, int seqNo, const ZipDirEntry&) { sequence.push_back(seqNo); };
    // python.zip: one.txt, dir/two.txt, dir/ (dropped, still counted).
    zip->SetZipFileName(Fixture("python.zip"));
    const std::vector<ItemReport> expected = {{"*Loading Directory", 3, 0},
                                              {"*Loading Directory", 3, 33},
                                              {"*Loading Directory", 3, 66},
                                              {"*Loading Directory", 3, 100},
                                              {"", 0, 101}};
    EXPECT_EQ(items, expected);
    EXPECT_EQ(sequence, (std::vector<int>{1, 2}));
    EXPECT_EQ(zip->Archive().droppedDirectories, 1);
    EXPECT_EQ(dirUpdates, 1);

    // The same name again reads again; with UseDirOnlyEntries the folder entry is kept.
    Clear();
    sequence.clear();
    zip->SetUseDirOnlyEntries(true);
    zip->SetZipFileName(Fixture("python.zip"));
    EXPECT_EQ(items.size(), 5u);
    EXPECT_EQ(sequence, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(Names(*zip).count("dir\\"));
}

TEST_F(DirectoryRead, EmptyArchiveAndMissingArchive) {
    zip->SetZipFileName(Fixture("empty.zip"));
    EXPECT_EQ(items, (std::vector<ItemReport>{{"*Loading Directory", 0, 0}, {"", 0, 101}}));
    EXPECT_EQ(zip->Count(), 0);
    Clear();
    EXPECT_EQ(zip->Extract(), 11002);
    EXPECT_EQ(messages.back(), (MessageReport{11002, "Zip file could not be opened"}));

    Clear();
    zip->SetZipFileName(Fixture("missing.zip"));
    EXPECT_TRUE(items.empty());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(dirUpdates, 1);
    EXPECT_EQ(zip->Extract(), 11002);
    EXPECT_EQ(MessageCodes(), std::vector<int>{11002});
    EXPECT_EQ(zip->ZipFileName(), Fixture("missing.zip"));
}

TEST_F(DirectoryRead, PrependedDataGivesWarningAndOffset) {
    zip->SetZipFileName(Fixture("stub.zip"));
    EXPECT_EQ(messages, (std::vector<MessageReport>{{10203, "Warning - Error in zip structure!"}}));
    EXPECT_EQ(zip->Archive().firstLocalHeaderOffset, 120);
    EXPECT_TRUE(zip->Archive().structureError);
    EXPECT_EQ(Names(*zip), std::set<std::string>{"s.txt"});
}

// Zip64 records: forced by Info-ZIP on a small archive (saturated end record and sizes),
// the same with data prepended, and by Python's zipfile where they are needed.
TEST_F(DirectoryRead, Zip64RecordsGiveTheEntriesAndTheirSizes) {
    zip->SetZipFileName(Fixture("infozip64.zip"));
    EXPECT_EQ(Names(*zip), (std::set<std::string>{"a.txt", "sub\\b.bin", "sub\\c.txt"}));
    EXPECT_TRUE(messages.empty()) << testing::PrintToString(messages);
    for (const auto& entry : zip->ZipContents())
        if (entry.fileName == "sub\\b.bin") {
            EXPECT_EQ(entry.uncompressedSize, 300000u);
            EXPECT_GT(entry.compressedSize, 290000u);  // noise does not shrink
            EXPECT_LT(entry.compressedSize, 310000u);
            EXPECT_LT(entry.localHeaderOffset, 1000u);
        }

    Clear();
    zip->SetZipFileName(Fixture("stub64.zip"));
    EXPECT_EQ(MessageCodes(), std::vector<int>{10203});
    EXPECT_EQ(zip->Archive().firstLocalHeaderOffset, 120);
    EXPECT_EQ(zip->Count(), 3);

    Clear();
    zip->SetZipFileName(Fixture("zip64_many.zip"));
    EXPECT_TRUE(messages.empty()) << testing::PrintToString(messages);
    ASSERT_EQ(zip->Count(), 70000);
    EXPECT_EQ(zip->ZipContents().back().fileName, "d087\\f69999.txt");
    ASSERT_EQ(items.size(), 70000u + 2);
    EXPECT_EQ(items.front(), (ItemReport{"*Loading Directory", 70000, 0}));
    EXPECT_EQ(items[items.size() - 2], (ItemReport{"*Loading Directory", 70000, 100}));

    Clear();
    zip->SetZipFileName(Fixture("zip64_zeros.zip"));
    EXPECT_TRUE(messages.empty()) << testing::PrintToString(messages);
    ASSERT_EQ(zip->Count(), 1);
    EXPECT_EQ(zip->ZipContents()[0].uncompressedSize, uint64_t{4608} << 20);
    EXPECT_LT(zip->ZipContents()[0].compressedSize, 5u << 20);
}

TEST_F(DirectoryRead, GarbageWarningOnlyForRealGarbage) {
    zip->SetZipFileName(Fixture("garbage.zip"));
    EXPECT_EQ(MessageCodes(), std::vector<int>{10204});
    EXPECT_EQ(messages[0].text, "Warning - Garbage at the end of the zipfile!");
    EXPECT_EQ(zip->Count(), 1);
    Clear();
    zip->SetZipFileName(Fixture("lowtail.zip"));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(zip->Archive().comment, "a comment");
}

TEST_F(DirectoryRead, OemNamesArriveInTheAnsiCodePage) {
    zip->SetZipFileName(Fixture("oem.zip"));
    EXPECT_EQ(Names(*zip), (std::set<std::string>{"Привет.txt", "Папка\\Файл.txt"}));
    // With cpNone the bytes stay as stored (code page 866).
    zip->SetCodePage(CodePageOpts::cpNone);
    zip->SetZipFileName(Fixture("oem.zip"));
    EXPECT_FALSE(Names(*zip).count("Привет.txt"));
}

TEST_F(DirectoryRead, CodePageRuleByHostSystem) {
    const std::set<std::string> cyrillic = {"Привет.txt", "Папка\\Файл.txt"};
    struct Case {
        const char* archive;
        CodePageOpts codePage;
        bool converted;
    };
    for (const Case& c : {Case{"oem_host6.zip", CodePageOpts::cpNone, true},
                          Case{"oem_host11.zip", CodePageOpts::cpNone, true},
                          Case{"oem_host11v20.zip", CodePageOpts::cpAuto, false},
                          Case{"oem_host3.zip", CodePageOpts::cpAuto, false},
                          Case{"oem_host3.zip", CodePageOpts::cpOEM, true}}) {
        zip->SetCodePage(c.codePage);
        zip->SetZipFileName(Fixture(c.archive));
        EXPECT_EQ(Names(*zip) == cyrillic, c.converted) << c.archive;
        EXPECT_EQ(zip->Count(), 2) << c.archive;
    }
    EXPECT_EQ(zip->Archive().hostSystem, 3);
}

TEST_F(DirectoryRead, ProgramsWithAppendedArchives) {
    // Offsets not adjusted: the directory comes from the companion .zip file.
    zip->SetZipFileName(Fixture("sfx.exe"));
    EXPECT_EQ(zip->Archive().path, Fixture("sfx.zip"));
    EXPECT_EQ(zip->Archive().firstLocalHeaderOffset, 0);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Names(*zip), std::set<std::string>{"inner.txt"});
    // Offsets adjusted: read in place, the program's length is the first local header.
    zip->SetZipFileName(Fixture("sfxadj.exe"));
    EXPECT_EQ(zip->Archive().path, Fixture("sfxadj.exe"));
    EXPECT_EQ(zip->Archive().firstLocalHeaderOffset, 200);
    EXPECT_TRUE(messages.empty());
}

TEST_F(DirectoryRead, DamagedDirectoriesStopWithTheirMessage) {
    struct Case {
        const char* archive;
        int id;
        const char* text;
    };
    for (const Case& c : {Case{"badsig.zip", 11015, "A central header signature is wrong"},
                          Case{"longname.zip", 11017, "Error while reading a central file name"},
                          Case{"shortdir.zip", 11013, "Error while reading a central header"}}) {
        Clear();
        zip->SetZipFileName(Fixture(c.archive));
        EXPECT_EQ(messages.back(), (MessageReport{c.id, c.text})) << c.archive;
        EXPECT_EQ(items.back(), (ItemReport{"", 0, 101})) << c.archive;
        EXPECT_EQ(zip->ZipFileName(), "") << c.archive;
        EXPECT_EQ(zip->Archive().firstLocalHeaderOffset, 0);
        EXPECT_EQ(zip->Extract(), 10102) << c.archive;
        EXPECT_EQ(messages.back(), (MessageReport{10102, "Error - no zip file specified!"}));
    }
    // A name of 259 bytes is still read.
    zip->SetZipFileName(Fixture("name259.zip"));
    EXPECT_EQ(zip->Count(), 1);
}

// Memory stays bounded: an entry keeps at most 4 KiB of its extra field and of its comment,
// and all entries together at most 16 MiB of both.
TEST_F(DirectoryRead, HostileDirectoriesKeepBoundedMemory) {
    zip->SetZipFileName(Fixture("bigentry.zip"));
    ASSERT_EQ(zip->Count(), 1);
    const ZipDirEntry& entry = zip->ZipContents()[0];
    EXPECT_EQ(entry.extraFieldLength, 65535);  // as recorded
    EXPECT_EQ(entry.fileCommentLength, 65535);
    EXPECT_EQ(entry.extraData.size(), kMaxKeptPerEntry);
    EXPECT_EQ(entry.extraData.substr(0, 6), std::string("\xFE\xCA\xFB\xFFxx", 6));
    EXPECT_EQ(entry.fileComment, std::string(kMaxKeptPerEntry, 'c'));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(zip->DirectoryResult(), 0);

    Clear();
    zip->SetZipFileName(Fixture("bulkydir.zip"));
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(),
              (MessageReport{10103,
                             "Requested memory not available: the archive's directory holds more "
                             "than 16 MiB of extra fields and comments"}));
    EXPECT_EQ(zip->ZipFileName(), "");
    EXPECT_EQ(zip->Count(), 2048);  // the entries before the limit stay
    EXPECT_EQ(items.back(), (ItemReport{"", 0, 101}));
    EXPECT_EQ(zip->Extract(), 10102);
}

TEST_F(DirectoryRead, NotAZipArchive) {
    zip->SetZipFileName(Fixture("notzip.zip"));
    EXPECT_EQ(messages,
              (std::vector<MessageReport>{{11036, "This archive is not a valid Zip archive"}}));
    EXPECT_TRUE(items.empty());
    EXPECT_EQ(zip->Extract(), 11036);
}

TEST_F(DirectoryRead, LockedArchiveCannotBeOpened) {
    const std::string path = Fixture("locked.zip");
    CopyFileA(Fixture("python.zip").c_str(), path.c_str(), FALSE);
    HANDLE lock = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    zip->SetZipFileName(path);
    CloseHandle(lock);
    EXPECT_EQ(MessageCodes(), (std::vector<int>{11002, 11036}));
}

TEST_F(DirectoryRead, CancelStopsTheRead) {
    zip->OnCheckTerminate = [this](TObject*, bool& abort) { abort = items.size() >= 3; };
    zip->SetZipFileName(Fixture("many.zip"));
    EXPECT_EQ(messages.back(), (MessageReport{11007, "User canceled operation"}));
    EXPECT_EQ(zip->ZipFileName(), "");
    EXPECT_EQ(items.back().perCent, 101);
}

TEST_F(DirectoryRead, InactiveComponentDefersTheRead) {
    zip->SetActive(false);
    zip->SetZipFileName(Fixture("many.zip"));
    EXPECT_TRUE(items.empty());
    EXPECT_EQ(zip->Extract(), -255);
    zip->SetActive(true);
    EXPECT_EQ(zip->Count(), 7);
    EXPECT_EQ(items.size(), 9u);
}

TEST_F(DirectoryRead, HandlerExceptionsNeverReachTheCaller) {
    zip->OnNewName = [](TObject*, int, const ZipDirEntry&) { throw Exception("bad handler"); };
    EXPECT_NO_THROW(zip->SetZipFileName(Fixture("many.zip")));
    EXPECT_EQ(messages.back().code, 10202);
    EXPECT_NE(messages.back().text.find("bad handler"), std::string::npos);
    zip->OnNewName = nullptr;
    zip->OnDirUpdate = [](TObject*) { throw Exception("late handler"); };
    EXPECT_NO_THROW(zip->SetZipFileName(Fixture("many.zip")));
}

}  // namespace
}  // namespace mvt::zip::test
