// Extract: the library binding, the command record, the callback dispatch with the
// scripted library, destination checks, and a real run with ZipLib179.dll.
#include <fstream>

#include "ziptest.h"

namespace mvt::zip::test {
namespace {

constexpr TZipExtrOptions kInstallOptions = ExtrBit(ExtrOptsEnum::ExtrDirNames) |
                                            ExtrBit(ExtrOptsEnum::ExtrOverWrite) |
                                            ExtrBit(ExtrOptsEnum::ExtrForceDirs);

std::string ScratchFolder(const std::string& name) {
    const std::string folder = Fixture("scratch\\" + name);
    ForceDirectories(folder);
    return folder;
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class Binding : public ZipTest {
  protected:
    void SetUp() override {
        ZipTest::SetUp();
        zip->SetZipFileName(Fixture("many.zip"));
        zip->SetExtrBaseDir(ScratchFolder("binding"));
        Clear();
    }
};

TEST_F(Binding, MissingLibrary) {
    // Absent from the folder given and from beside the test program: the load names the
    // program's own folder and searches nothing else.
    const std::string besideProgram = ProgramFolder() + "ZipLib179.dll";
    ASSERT_FALSE(FileExists(besideProgram));
    zip->SetDLLDirectory(Fixture("nolib"));
    zip->SetVerbose(true);
    EXPECT_EQ(zip->Extract(), 10650);
    EXPECT_EQ(messages.back(), (MessageReport{10650, "Failed to load " + besideProgram}));
    ASSERT_GE(messages.size(), 2u);
    const MessageReport& diagnostic = messages[messages.size() - 2];
    EXPECT_EQ(diagnostic.code, 0);
    EXPECT_EQ(diagnostic.text.rfind("Error [126 ", 0), 0u) << diagnostic.text;
    EXPECT_NE(diagnostic.text.find("] loading " + besideProgram), std::string::npos);
    EXPECT_FALSE(zip->Dll_Load());
}

TEST_F(Binding, NeverSearchesTheCurrentFolder) {
    // A library of the right name in the current folder (as a planted one would be) is not
    // taken when the binding's own places lack it, whatever the library folder says.
    const std::string planted = ScratchFolder("planted");
    ASSERT_TRUE(CopyFileA((FakeLibraryFolder("v179") + "\\ZipLib179.dll").c_str(),
                          (planted + "\\ZipLib179.dll").c_str(), FALSE));
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(planted.c_str()));
    for (const char* folder : {"", "C:", "\\nowhere"}) {
        Clear();
        zip->SetDLLDirectory(folder);
        EXPECT_EQ(zip->Worker().LibraryFileName(), ProgramFolder() + "ZipLib179.dll") << folder;
        zip->SetZipFileName(Fixture("many.zip"));
        EXPECT_EQ(zip->Extract(), 10650) << folder;
        EXPECT_FALSE(zip->Dll_Load());
    }
    SetCurrentDirectoryA(previous);
}

TEST_F(Binding, FolderRules) {
    FakeLibrary fake;
    // A folder starting with a point is taken from the program's own folder; a plain
    // relative one from the current folder (the test runs in its own build folder).
    char current[MAX_PATH];
    GetCurrentDirectoryA(sizeof current, current);
    for (const char* folder : {".\\fake\\v179", "fake\\v179"}) {
        zip->SetDLLDirectory(folder);
        // Always a full path, never one the system would search for.
        EXPECT_EQ(zip->Worker().LibraryFileName(),
                  folder[0] == '.'
                      ? ProgramFolder() + "fake\\v179\\ZipLib179.dll"
                      : IncludeTrailingBackslash(current) + folder + "\\ZipLib179.dll");
        zip->SetZipFileName(Fixture("many.zip"));
        EXPECT_EQ(zip->Extract(), 0) << folder;
    }
    EXPECT_EQ(fake.LastCall().calls, 2);
    zip->SetDLLDirectory("C:");  // "C:ZipLib179.dll" is absent: the program's own folder
    EXPECT_EQ(zip->Worker().LibraryFileName(), ProgramFolder() + "ZipLib179.dll");
}

TEST_F(Binding, WrongVersionsAndMissingEntriesAreRefused) {
    for (const char* variant : {"v178", "v301", "nopath"}) {
        Clear();
        zip->SetDLLDirectory(FakeLibraryFolder(variant));
        EXPECT_EQ(zip->Extract(), 10651) << variant;
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages.back().code, 10651);
        EXPECT_NE(messages.back().text.find("It is old or corrupt"), std::string::npos);
        EXPECT_FALSE(zip->Dll_Load()) << variant;
        EXPECT_EQ(zip->Worker().Usage(), 0u);
    }
}

TEST_F(Binding, LoadedForEachExtractAndKeptWithDllLoad) {
    FakeLibrary fake;
    fake.SetScript({});
    zip->SetDLLDirectory(fake.Folder() + "\\");  // stored without the trailing separator
    EXPECT_EQ(zip->DLLDirectory(), fake.Folder());
    zip->SetVerbose(true);
    EXPECT_EQ(zip->Extract(), 0);
    EXPECT_FALSE(zip->Dll_Load());
    EXPECT_NE(
        std::find(messages.begin(), messages.end(), MessageReport{0, "Loaded fake:ZipLib179.dll"}),
        messages.end());
    EXPECT_EQ(messages.back(), (MessageReport{0, "Unloaded fake:ZipLib179.dll"}));
    zip->SetDll_Load(true);
    EXPECT_TRUE(zip->Dll_Load());
    zip->SetZipFileName(Fixture("many.zip"));
    EXPECT_EQ(zip->Extract(), 0);
    EXPECT_TRUE(zip->Dll_Load());
    zip->SetDll_Load(false);
    EXPECT_FALSE(zip->Dll_Load());
    EXPECT_EQ(fake.LastCall().calls, 2);
}

TEST_F(Binding, DllLoadFromFormDataHoldsTheLibraryOnceLoaded) {
    FakeLibrary fake;
    fake.SetScript({});
    zip->SetLoading(true);
    zip->SetDLLDirectory(fake.Folder());
    zip->SetDll_Load(true);
    EXPECT_TRUE(zip->Dll_Load());  // the stored value while loading
    zip->Loaded();
    EXPECT_TRUE(zip->Dll_Load());  // the activation after loading took the hold
    EXPECT_EQ(zip->Worker().Usage(), unsigned{kPurposeKeep});
    zip->SetZipFileName(Fixture("many.zip"));
    EXPECT_EQ(zip->Extract(), 0);
    EXPECT_TRUE(zip->Dll_Load());
    zip->SetDll_Load(false);
    EXPECT_FALSE(zip->Dll_Load());
}

TEST_F(Binding, NegativeStatusesBecomeTheirMessages) {
    FakeLibrary fake;
    zip->SetDLLDirectory(fake.Folder());
    const std::vector<std::pair<int, MessageReport>> cases = {
        {-1, {10120, "DLL Error - User Cancelled"}},
        {-2, {10118, "DLL Error - Aborting"}},
        {-3, {10123, "DLL Error - Exception in handler "}},
        {-4, {10121, "DLL Error - Not enough memory"}},
        {-5, {10122, "DLL Error - Invalid structure"}},
        {-9, {10124, "critical DLL Error -9"}}};
    for (const auto& [status, expected] : cases) {
        fake.SetScript({}, status);
        zip->SetZipFileName(Fixture("many.zip"));
        EXPECT_EQ(zip->Extract(), expected.code);
        EXPECT_EQ(messages.back(), expected);
        EXPECT_FALSE(zip->Dll_Load());
    }
}

class CommandRecord : public ZipTest {
  protected:
    void SetUp() override {
        ZipTest::SetUp();
        zip->SetDLLDirectory(fake.Folder());
        fake.SetScript({});
        zip->SetZipFileName(Fixture("many.zip"));
        Clear();
    }
    FakeLibrary fake;
};

TEST_F(CommandRecord, InstallSettings) {
    const std::string folder = ScratchFolder("record");
    zip->SetExtrBaseDir(folder);
    zip->SetExtrOptions(kInstallOptions);
    zip->SetUnattended(false);  // no box is shown: nothing fails here
    zip->SetPassword("pw");
    ASSERT_EQ(zip->Extract(), 0);
    const FakeCall& call = fake.LastCall();
    EXPECT_EQ(fake.CommandPointer(0), reinterpret_cast<uintptr_t>(Application().Handle()));
    EXPECT_EQ(fake.CommandPointer(8), reinterpret_cast<uintptr_t>(&zip->Worker()));
    EXPECT_EQ(fake.CommandInt(16), 179);
    EXPECT_EQ(fake.CommandPointer(24), reinterpret_cast<uintptr_t>(&TZUWorker::Callback));
    EXPECT_EQ(fake.CommandInt(32), 0);
    EXPECT_EQ(fake.CommandInt(36), 0);
    EXPECT_EQ(fake.CommandInt(40), 0);
    EXPECT_STREQ(call.password, "pw");
    EXPECT_EQ(fake.CommandInt(56), 0);
    EXPECT_EQ(fake.CommandInt(60), 0);
    EXPECT_EQ(fake.CommandInt(64), 0);
    EXPECT_EQ(fake.CommandInt(68), -1);
    EXPECT_EQ(fake.CommandInt(72), 0);
    EXPECT_EQ(fake.CommandInt(76), 0);
    EXPECT_EQ(fake.CommandInt(80), 0);
    EXPECT_EQ(fake.CommandInt(84), -1);
    EXPECT_EQ(fake.CommandInt(88), -1);
    EXPECT_EQ(fake.CommandInt(92), 0);
    EXPECT_STREQ(call.archive, Fixture("many.zip").c_str());
    EXPECT_EQ(fake.CommandPointer(104), 0u);  // no specification lines
    for (size_t offset = 112; offset < 148; offset += 4) EXPECT_EQ(fake.CommandInt(offset), 0);
    EXPECT_EQ(fake.CommandInt(148), 1);
    EXPECT_EQ(std::string(call.destination), folder + "\\");
    for (size_t offset = 160; offset < 192; offset += 4) EXPECT_EQ(fake.CommandInt(offset), 0);
    EXPECT_EQ(fake.CommandInt(192), 7);
}

TEST_F(CommandRecord, EdgeCases) {
    // "*.*" first: all entries, whatever follows; the lines are emptied afterwards.
    zip->FSpecArgs().Add("*.*");
    zip->FSpecArgs().Add("f01.txt");
    zip->SetExtrOptions(ExtrBit(ExtrOptsEnum::ExtrFreshen) | ExtrBit(ExtrOptsEnum::ExtrUpdate));
    zip->SetTrace(true);
    zip->SetPasswordReqCount(20);
    EXPECT_EQ(zip->PasswordReqCount(), 15u);
    zip->SetPassword("x");
    ASSERT_EQ(zip->Extract(), 0);
    EXPECT_EQ(fake.CommandInt(92), 0);
    EXPECT_NE(fake.CommandPointer(104), 0u);  // the array exists for both lines
    EXPECT_EQ(zip->FSpecArgs().Count(), 0);
    EXPECT_EQ(fake.CommandInt(76), -1);  // update
    EXPECT_EQ(fake.CommandInt(80), 0);   // freshen dropped
    EXPECT_EQ(fake.CommandInt(32), -1);  // trace
    EXPECT_EQ(fake.CommandInt(72), -1);  // verbose follows trace
    EXPECT_EQ(fake.CommandInt(148), 15);
    EXPECT_EQ(fake.CommandPointer(0), 0u);    // unattended: no window
    EXPECT_EQ(fake.CommandPointer(152), 0u);  // no destination

    // Named specifications are passed in order.
    zip->SetTrace(false);
    zip->FSpecArgs().Add("f01.txt");
    zip->FSpecArgs().Add("*.dat");
    ASSERT_EQ(zip->Extract(), 0);
    EXPECT_EQ(fake.LastCall().specCount, 2);
    EXPECT_STREQ(fake.LastCall().specs[0], "f01.txt");
    EXPECT_STREQ(fake.LastCall().specs[1], "*.dat");

    // Test only: no destination sent, no folder made.
    const std::string never = Fixture("scratch\\never\\made");
    zip->SetExtrBaseDir(never);
    zip->SetExtrOptions(ExtrBit(ExtrOptsEnum::ExtrTest) | ExtrBit(ExtrOptsEnum::ExtrForceDirs));
    ASSERT_EQ(zip->Extract(), 0);
    EXPECT_EQ(fake.CommandInt(56), -1);
    EXPECT_EQ(fake.CommandPointer(152), 0u);
    EXPECT_FALSE(DirectoryExists(never));

    // A trailing separator of the kind already used is added.
    zip->SetExtrOptions(kInstallOptions);
    zip->SetExtrBaseDir(Fixture("scratch/slashes"));
    ASSERT_EQ(zip->Extract(), 0);
    EXPECT_EQ(std::string(fake.LastCall().destination).back(), '\\');  // made absolute
    EXPECT_TRUE(DirectoryExists(Fixture("scratch\\slashes")));
}

TEST_F(CommandRecord, UnattendedWithoutPasswordAsksNone) {
    ASSERT_EQ(zip->Extract(), 0);
    EXPECT_EQ(fake.CommandInt(148), 0);
    EXPECT_EQ(messages.front(),
              (MessageReport{0, "Warning - Unattended Extract: possible not all files extracted"}));
    EXPECT_EQ(zip->PasswordReqCount(), 1u);  // restored
}

TEST_F(CommandRecord, DestinationFailures) {
    // Below a plain file the folder cannot be created.
    const std::string below = Fixture("afile.txt\\sub");
    zip->SetExtrBaseDir(below);
    zip->SetExtrOptions(kInstallOptions);
    EXPECT_EQ(zip->Extract(), 10504);
    EXPECT_EQ(messages.back(),
              (MessageReport{10504, "Extract directory '" + below + "\\' must exist"}));
    // /proc exists but takes no new files.
    zip->SetZipFileName(Fixture("many.zip"));
    zip->SetExtrBaseDir("Z:\\proc");
    EXPECT_EQ(zip->Extract(), 11051);
    EXPECT_EQ(messages.back().text.rfind("Cannot write to Z:\\proc\\ <", 0), 0u)
        << messages.back().text;
    EXPECT_EQ(messages.back().text.back(), '>');
    EXPECT_EQ(fake.LastCall().calls, 0);
}

class Dispatch : public CommandRecord {};

TEST_F(Dispatch, ProgressEventsAndPercentRules) {
    std::vector<int64_t> totals;
    zip->OnTotalProgress = [&](TObject*, int64_t, int perCent) { totals.push_back(perCent); };
    int terminateChecks = 0;
    zip->OnCheckTerminate = [&](TObject*, bool&) { ++terminateChecks; };
    fake.SetScript({{5, 3},
                    {6, 0, 0, 0, 301000},
                    {1, 0, 0, 0, 300000, "dir/big.bin"},
                    {2, 0, 0, 0, 150000},
                    {2, 0, 0, 0, 150000},
                    {1, 0, 0, 0, 1000, "small"},
                    {2, 0, 0, 0, 999},
                    {2, 0, 0, 0, 1},
                    {1, 0, 0, 0, 0, "empty"},
                    {2, 0, 0, 0, 0},
                    {3}});
    TProgressDetails last;
    zip->OnProgressDetails = [&](TObject*, const TProgressDetails& details) { last = details; };
    ASSERT_EQ(zip->Extract(), 0);
    EXPECT_EQ(last.itemCount, 3);
    EXPECT_EQ(last.itemNumber, 3);
    EXPECT_EQ(last.totalSize, 301000);
    EXPECT_EQ(last.totalPosition, 301000);
    EXPECT_EQ(last.progressType, TZipProgressType::EndOfBatch);
    EXPECT_EQ(last.itemName, "");
    const std::vector<ItemReport> expected = {{"dir\\big.bin", 300000, 0},
                                              {"dir\\big.bin", 150000, 50},
                                              {"dir\\big.bin", 300000, 100},
                                              {"small", 1000, 0},
                                              {"small", 999, 99},
                                              {"small", 1000, 100},
                                              {"empty", 0, 0},
                                              {"empty", 0, 0},
                                              {"", 0, 101}};
    EXPECT_EQ(items, expected);
    EXPECT_EQ(totals, (std::vector<int64_t>{49, 99, 99, 100, 100, 101}));
    EXPECT_EQ(zip->SuccessCnt(), 3);
    EXPECT_EQ(terminateChecks, 11);
}

TEST_F(Dispatch, LibraryMessagesAndSkips) {
    fake.SetScript({{4, 0x0105, 0, 0, 0, "cannot write dir/x"},
                    {4, 0, 0, 0, 0, "just a note on a/b"},
                    {11, 0x0203, 6, 0, 0, "sub/bad.txt"}},
                   2);
    EXPECT_EQ(zip->Extract(), 3);  // low byte of the last entry error
    // Names in the library's texts are shown with the system's separator.
    EXPECT_EQ(messages[1], (MessageReport{0x0105, "cannot write dir\\x"}));
    EXPECT_EQ(zip->ErrorMessage(), "cannot write dir\\x");
    EXPECT_EQ(messages[2], (MessageReport{0, "just a note on a\\b"}));
    EXPECT_EQ(messages[3], (MessageReport{10125, "Skipped sub\\bad.txt 5"}));
    EXPECT_EQ(zip->FullErrorCode(), 0x0203);
    EXPECT_EQ(zip->SuccessCnt(), 2);
}

TEST_F(Dispatch, QuestionsAndReplies) {
    zip->OnExtractOverwrite = [](TObject*, const std::string& file, bool isOlder, bool& overwrite,
                                 int index) {
        overwrite = file == "old.txt" && isOlder && index == 4 && overwrite;
    };
    zip->OnCRC32Error = [](TObject*, const std::string&, uint32_t found, uint32_t expected,
                           bool& doExtract) { doExtract = found == 1 && expected == 2; };
    zip->OnSetExtName = [](TObject*, std::string& name, bool& changed) {
        if (name == "rename.txt") name = "renamed.txt", changed = true;
        if (name == "dir\\") name = "file", changed = true;  // refused: kind changes
    };
    fake.SetScript({{10, 1, 4, 0, 0, "old.txt"},
                    {10, 1, 4, 2, 0, "old.txt"},
                    {9, 1, 2, 0, 0, "c.txt"},
                    {9, 7, 2, 0, 0, "c.txt"},
                    {17, 0, 0, 0, 0, "rename.txt"},
                    {17, 0, 0, 0, 0, "dir/"},
                    {18, 77}});
    ASSERT_EQ(zip->Extract(), 0);
    const auto replies = fake.Replies();
    ASSERT_EQ(replies.size(), 7u);
    EXPECT_EQ(replies[0].kindOrReply, -1);
    EXPECT_EQ(replies[1].kindOrReply, -2);  // not older
    EXPECT_EQ(replies[2].kindOrReply, -1);
    EXPECT_EQ(replies[3].kindOrReply, -3);
    EXPECT_EQ(replies[4].kindOrReply, -1);
    EXPECT_STREQ(replies[4].replyText, "renamed.txt");
    EXPECT_EQ(replies[5].kindOrReply, 17);  // no reply
    for (const auto& reply : replies) EXPECT_EQ(reply.result, 0);
}

TEST_F(Dispatch, PasswordRule) {
    std::vector<std::pair<std::string, TZipDlgButton>> answers = {
        {"secret", TZipDlgButton::zmbOK},
        {"", TZipDlgButton::zmbOK},
        {"ignored", TZipDlgButton::zmbCancel},
        {"x", TZipDlgButton::zmbNoToAll}};
    size_t next = 0;
    zip->OnPasswordError = [&](TObject*, bool isZipAction, std::string& password,
                               const std::string& file, uint32_t& repeat, TZipDlgButton& action) {
        EXPECT_FALSE(isZipAction);
        EXPECT_EQ(file, "dir\\s.txt");
        repeat = 40;
        password = answers[next].first;
        action = answers[next].second;
        ++next;
    };
    fake.SetScript({{8, 3, 0, 0, 0, "dir/s.txt"},
                    {8, 3, 0, 0, 0, "dir/s.txt"},
                    {8, 3, 0, 0, 0, "dir/s.txt"},
                    {8, 3, 0, 0, 0, "dir/s.txt"}});
    ASSERT_EQ(zip->Extract(), 0);
    const auto replies = fake.Replies();
    ASSERT_EQ(replies.size(), 4u);
    EXPECT_EQ(replies[0].kindOrReply, -1);
    EXPECT_STREQ(replies[0].replyText, "secret");
    EXPECT_EQ(replies[0].number, 15);
    EXPECT_EQ(replies[1].kindOrReply, -2);  // OK with an empty password
    EXPECT_EQ(replies[1].number, 0);
    EXPECT_EQ(replies[2].kindOrReply, -2);
    EXPECT_EQ(replies[3].kindOrReply, -3);
    EXPECT_EQ(zip->PasswordReqCount(), 1u);

    // Unattended without a handler: message 10151, no password.
    zip->OnPasswordError = nullptr;
    fake.SetScript({{8, 3, 0, 0, 0, "s.txt"}});
    zip->SetZipFileName(Fixture("many.zip"));
    ASSERT_EQ(zip->Extract(), 10151);  // the last error reported
    EXPECT_EQ(fake.Replies()[0].kindOrReply, -2);
}

TEST_F(Dispatch, HandlerExceptionStopsTheJob) {
    int calls = 0;
    zip->OnItemProgress = [&](TObject*, const std::string& item, uint64_t, int) {
        if (item.empty() || item[0] == '*') return;  // directory reads go through
        ++calls;
        throw Exception(calls == 1 ? "first" : "second");
    };
    fake.SetScript({{1, 0, 0, 0, 10, "a"}, {1, 0, 0, 0, 10, "b"}});
    EXPECT_EQ(zip->Extract(), 10123);
    EXPECT_EQ(fake.Replies().at(0).result, 10106);
    EXPECT_EQ(zip->Worker().HandlerExceptionText(), " #1 \"first\"");
    EXPECT_EQ(messages.back(),
              (MessageReport{10123, "DLL Error - Exception in handler  #1 \"first\""}));
    // Further reports of the same run still dispatch and answer 10106; the text stays.
    calls = 0;
    fake.SetScript({{1, 0, 0, 0, 10, "a"}, {1, 0, 0, 0, 10, "b"}, {4, 9, 0, 0, 0, "stopped"}},
                   -101);
    zip->SetZipFileName(Fixture("many.zip"));
    EXPECT_EQ(zip->Extract(), 9) << messages.back().text;
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(fake.Replies().at(0).result, 10106);
    EXPECT_EQ(fake.Replies().at(1).result, 10106);
    EXPECT_EQ(fake.Replies().at(2).result, 10106);
    EXPECT_EQ(zip->Worker().HandlerExceptionText(), " #1 \"first\"");
    EXPECT_EQ(messages.back(), (MessageReport{9, "Exception in Event  #1 \"first\""}));
    // The next run starts with an empty text.
    zip->OnItemProgress = nullptr;
    fake.SetScript({{1, 0, 0, 0, 10, "a"}, {4, 9, 0, 0, 0, "stopped"}});
    zip->SetZipFileName(Fixture("many.zip"));
    EXPECT_EQ(zip->Extract(), 9);
    EXPECT_EQ(zip->Worker().HandlerExceptionText(), "");
    EXPECT_EQ(messages.back(), (MessageReport{9, "stopped"}));
}

TEST_F(Dispatch, ReentryIsRefused) {
    zip->SetVerbose(true);
    int nested = 0;
    zip->OnItemProgress = [&](TObject*, const std::string&, uint64_t, int perCent) {
        if (perCent == 0) nested = zip->Extract();
    };
    fake.SetScript({{1, 0, 0, 0, 10, "a"}, {3}});
    EXPECT_EQ(zip->Extract(), 0);
    EXPECT_EQ(nested, -255);
    EXPECT_NE(std::find(messages.begin(), messages.end(), MessageReport{0, "Re-entry"}),
              messages.end());
    EXPECT_EQ(fake.LastCall().calls, 1);
}

TEST_F(Dispatch, AbortOnDestructionUsesTheJobHandle) {
    zip->SetDll_Load(true);
    fake.SetScript({{18, 1234}});
    ASSERT_EQ(zip->Extract(), 0);
    const int abortsBefore = fake.LastCall().aborts;
    zip.reset();
    EXPECT_EQ(fake.LastCall().aborts, abortsBefore + 1);
    EXPECT_EQ(fake.LastCall().abortedJob, 0);  // cleared when the call returned
}

// ---- Nothing leaves the component stuck --------------------------------------------------

class Robustness : public CommandRecord {
  protected:
    // After whatever happened, the component is idle and the next Extract works.
    void ExpectNextExtractWorks() {
        EXPECT_FALSE(zip->Busy());
        EXPECT_FALSE(zip->Worker().Busy());
        EXPECT_EQ(zip->Worker().Usage(), 0u);
        zip->OnMessage = [this](TObject*, int code, const std::string& text) {
            messages.push_back({code, text});
        };
        zip->SetVerbose(false);
        fake.SetScript({{5, 1}, {6}, {1, 0, 0, 0, 1, "a"}, {2, 0, 0, 0, 1}, {3}});
        const int callsBefore = fake.LastCall().calls;
        zip->SetZipFileName(Fixture("many.zip"));
        EXPECT_EQ(zip->Count(), 7);
        EXPECT_EQ(zip->Extract(), 0);
        EXPECT_EQ(fake.LastCall().calls, callsBefore + 1);
        EXPECT_EQ(zip->SuccessCnt(), 1);
    }
};

TEST_F(Robustness, RaisingOnMessageWhileAnErrorIsReported) {
    int raised = 0;
    zip->OnMessage = [&](TObject*, int, const std::string&) {
        ++raised;
        throw Exception("handler fails");
    };
    // Errors of the extract run, of the directory read and of the component's start.
    zip->SetZipFileName(Fixture("missing.zip"));
    int result = 0;
    EXPECT_NO_THROW(result = zip->Extract());
    EXPECT_EQ(result, 11002);
    EXPECT_NO_THROW(zip->SetZipFileName(Fixture("notzip.zip")));
    EXPECT_FALSE(zip->Busy());
    EXPECT_NO_THROW(result = zip->Extract());
    EXPECT_EQ(result, 11036);
    zip->SetZipFileName(Fixture("many.zip"));
    zip->SetExtrBaseDir(Fixture("afile.txt\\sub"));
    zip->SetExtrOptions(kInstallOptions);
    EXPECT_NO_THROW(result = zip->Extract());
    EXPECT_EQ(result, 10504);
    zip->SetExtrBaseDir({});
    zip->SetDLLDirectory(FakeLibraryFolder("v178"));
    zip->SetDll_Load(true);
    EXPECT_NO_THROW(result = zip->Extract());
    EXPECT_EQ(result, 10651);
    zip->SetDll_Load(false);
    EXPECT_GE(raised, 5);
    EXPECT_EQ(fake.LastCall().calls, 0);
    zip->SetDLLDirectory(fake.Folder());
    ExpectNextExtractWorks();
}

TEST_F(Robustness, RaisingOnMessageDuringTheLibraryLoad) {
    zip->SetVerbose(true);
    zip->OnMessage = [&](TObject*, int code, const std::string& text) {
        messages.push_back({code, text});
        if (text.rfind("Loaded ", 0) == 0) throw Exception("load handler fails");
    };
    EXPECT_EQ(zip->Extract(), 11049);  // a failure, not 0
    EXPECT_EQ(zip->ErrorMessage(), "load handler fails");
    EXPECT_EQ(fake.LastCall().calls, 0);
    EXPECT_FALSE(zip->Dll_Load());  // not left loaded without a holder
    // The same while Dll_Load keeps the library.
    zip->SetDll_Load(true);
    EXPECT_FALSE(zip->Dll_Load());
    zip->SetZipFileName(Fixture("many.zip"));
    EXPECT_EQ(zip->Extract(), 11049);
    EXPECT_FALSE(zip->Dll_Load());
    zip->SetDll_Load(false);
    ExpectNextExtractWorks();
}

TEST_F(Robustness, RaisingDuringTheUnattendedWarningAndTheCommandRecord) {
    // Unattended without a password: warning 10502 while the command record is built. Lack of
    // memory there and a handler's own exception both end the run as failed.
    zip->FSpecArgs().Add("f01.txt");
    zip->OnMessage = [](TObject*, int, const std::string& text) {
        if (text.rfind("Warning - Unattended", 0) == 0) throw std::bad_alloc();
    };
    EXPECT_EQ(zip->Extract(), 10103);
    EXPECT_EQ(zip->ErrorMessage(), "Requested memory not available");
    EXPECT_EQ(zip->PasswordReqCount(), 1u);  // restored
    EXPECT_EQ(zip->FSpecArgs().Count(), 0);  // used up
    EXPECT_FALSE(zip->Worker().Busy());
    zip->OnMessage = [](TObject*, int, const std::string& text) {
        if (text.rfind("Warning - Unattended", 0) == 0) throw Exception("warning handler fails");
    };
    zip->SetZipFileName(Fixture("many.zip"));
    EXPECT_EQ(zip->Extract(), 11049);
    EXPECT_EQ(fake.LastCall().calls, 0);
    ExpectNextExtractWorks();
}

TEST_F(Robustness, FaultingLibraryIsContained) {
    zip->SetPassword("x");  // no unattended warning
    // The library announces its batch, starts an entry, then writes to address 8.
    fake.SetScript(
        {{5, 2}, {6, 0, 0, 0, 20}, {1, 0, 0, 0, 10, "a"}, {FAKE_STEP_FAULT, 0, 0, 0, 8}});
    EXPECT_EQ(zip->Extract(), 10124);
    EXPECT_EQ(messages, (std::vector<MessageReport>{{10124, "critical DLL Error -7"}}));
    // The progress display still sees the end of the batch.
    EXPECT_EQ(items.back(), (ItemReport{"", 0, 101}));
    EXPECT_FALSE(zip->Dll_Load());
    EXPECT_EQ(zip->SuccessCnt(), 0);
    // Also with Dll_Load holding the library, and before any report.
    zip->SetDll_Load(true);
    fake.SetScript({{FAKE_STEP_FAULT, 0, 0, 0, 16}});
    zip->SetZipFileName(Fixture("many.zip"));
    Clear();
    EXPECT_EQ(zip->Extract(), 10124);
    EXPECT_EQ(MessageCodes(), std::vector<int>{10124});
    EXPECT_TRUE(items.empty());  // no batch was announced, none is ended
    zip->SetDll_Load(false);
    ExpectNextExtractWorks();
}

TEST_F(Binding, LibraryFolderKeepsADriveRoot) {
    zip->SetDLLDirectory("C:\\");
    EXPECT_EQ(zip->DLLDirectory(), "C:\\");
    zip->SetDLLDirectory("C:\\\\");
    EXPECT_EQ(zip->DLLDirectory(), "C:\\");
    zip->SetDLLDirectory("\\");
    EXPECT_EQ(zip->DLLDirectory(), "\\");  // the root of the current drive, not the search order
    zip->SetDLLDirectory("D:\\games\\");
    EXPECT_EQ(zip->DLLDirectory(), "D:\\games");
    // A library in the root of the prefix's drive C: is found there (and removed again).
    FakeLibrary fake;
    fake.SetScript({});
    const std::string rooted = "C:\\ZipLib179.dll";
    ASSERT_FALSE(FileExists(rooted));
    ASSERT_TRUE(CopyFileA((fake.Folder() + "\\ZipLib179.dll").c_str(), rooted.c_str(), TRUE));
    zip->SetDLLDirectory("C:\\");
    EXPECT_EQ(zip->Worker().LibraryFileName(), rooted);
    EXPECT_EQ(zip->Extract(), 0);
    EXPECT_FALSE(zip->Dll_Load());
    EXPECT_TRUE(DeleteFileA(rooted.c_str()));
}

TEST_F(ZipTest, BoxesGoThroughOnZipDialog) {
    zip->SetUnattended(false);
    zip->SetVerbose(true);
    Application().SetTitle("Box title");
    std::vector<std::string> boxes;
    zip->OnZipDialog = [&](TObject*, const std::string& title, std::string& msg, int& result,
                           TZipDlgButtons buttons) {
        boxes.push_back(title + "|" + msg);
        EXPECT_EQ(buttons, ButtonBit(TZipDlgButton::zmbOK));
        result = zmrOk;
    };
    EXPECT_EQ(zip->Extract(), 10102);
    zip->SetZipFileName(Fixture("missing.zip"));
    EXPECT_EQ(zip->Extract(), 11002);
    EXPECT_EQ(boxes,
              (std::vector<std::string>{"Box title   (10001)|Error - no zip file specified!",
                                        "Box title   (10001)|Zip file could not be opened"}));
    boxes.clear();
    zip->SetZipFileName(Fixture("notzip.zip"));
    EXPECT_EQ(
        boxes,
        (std::vector<std::string>{"Box title   (10000)|This archive is not a valid Zip archive"}));
}

TEST_F(ZipTest, LoadingAndInactiveStatesRefuse) {
    zip->SetLoading(true);
    zip->SetZipFileName(Fixture("many.zip"));
    EXPECT_TRUE(items.empty());  // only stored while loading
    EXPECT_EQ(zip->Extract(), -256);
    zip->Loaded();
    EXPECT_EQ(zip->Count(), 7);  // the deferred read ran
    zip->SetActive(false);
    EXPECT_EQ(zip->Extract(), -255);
    EXPECT_EQ(zip->Language(), "US: default");
}

// Every truncation and many byte flips of an archive: reported, never raised.
TEST_F(ZipTest, DamagedArchivesNeverRaise) {
    std::string archive = ReadWholeFile(Fixture("python.zip"));
    ASSERT_FALSE(archive.empty());
    const std::string path = Fixture("scratch\\damaged.zip");
    zip->SetDLLDirectory(MVT_ZIP_REAL_DLL_DIR);
    zip->SetExtrBaseDir(Fixture("scratch\\damaged"));
    zip->SetExtrOptions(kInstallOptions);
    auto attempt = [&](const std::string& bytes) {
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
        EXPECT_NO_THROW(zip->SetZipFileName(path));
        int result = 0;
        EXPECT_NO_THROW(result = zip->Extract());
        EXPECT_FALSE(zip->Busy());
        return result;
    };
    int failures = 0;
    for (size_t length = 0; length < archive.size(); length += 7)
        failures += attempt(archive.substr(0, length)) != 0;
    for (size_t at = 0; at < archive.size(); at += 5) {
        std::string flipped = archive;
        flipped[at] = static_cast<char>(flipped[at] ^ 0xA5);
        attempt(flipped);
    }
    EXPECT_GT(failures, 0);
    EXPECT_EQ(attempt(archive), 0);  // and the intact archive still works
}

TEST_F(ZipTest, RealLibraryExtractsTheArchive) {
    const std::string folder = Fixture("scratch\\real");
    zip->SetDLLDirectory(MVT_ZIP_REAL_DLL_DIR);
    zip->SetZipFileName(Fixture("infozip.zip"));
    zip->SetExtrBaseDir(folder);
    zip->SetExtrOptions(kInstallOptions);
    Clear();
    EXPECT_EQ(zip->Extract(), 0);
    EXPECT_GE(zip->SuccessCnt(), 3);
    EXPECT_EQ(ReadWholeFile(folder + "\\a.txt"), "hello");
    EXPECT_EQ(ReadWholeFile(folder + "\\sub\\b.bin"), ReadWholeFile(Fixture("tree\\sub\\b.bin")));
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items.back(), (ItemReport{"", 0, 101}));
    // Every item starts at 0 and ends at 100 with its size.
    for (size_t i = 0; i + 1 < items.size(); ++i)
        if (items[i].perCent == 0 && items[i].totalSize > 0) {
            size_t j = i + 1;
            while (j < items.size() && items[j].item == items[i].item) ++j;
            EXPECT_EQ(items[j - 1], (ItemReport{items[i].item, items[i].totalSize, 100}));
        }
    for (const auto& m : messages) EXPECT_EQ(m.code, 0) << m.text;
}

}  // namespace
}  // namespace mvt::zip::test
