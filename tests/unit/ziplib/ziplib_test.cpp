// Tests of ZipLib179.dll through its C interface: the library is loaded with LoadLibraryA,
// each test fills a command record, records every report of the callback and checks the
// reports and the files on disk. The archives are made at build time by make_fixtures.py
// with Info-ZIP zip, 7z, bsdtar and Python's zipfile (hostile ones by hand).
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "ziplib179.h"

namespace {

// Linux paths from the environment, as Wine sees them.
std::string FromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        ADD_FAILURE() << name << " is not set";
        return {};
    }
    std::string path = value;
    if (path.front() == '/') path = "Z:" + path;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string Fixtures() {
    return FromEnvironment("ZIPLIB_FIXTURES");
}
std::string Fixture(const std::string& name) {
    return Fixtures() + "\\" + name;
}

class Library {
  public:
    static Library& Get() {
        static Library library;
        return library;
    }
    HMODULE Module() const { return module_; }
    template <typename Fn>
    Fn Entry(const char* name) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

  private:
    Library() : module_(LoadLibraryA(FromEnvironment("ZIPLIB_DLL").c_str())) {}
    HMODULE module_;
};

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Every file and folder below `root`, relative, folders ending in '\'.
void ListTree(const std::string& root, const std::string& relative, std::vector<std::string>& out) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((root + "\\" + relative + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out.push_back(relative + name + "\\");
            ListTree(root, relative + name + "\\", out);
        } else {
            out.push_back(relative + name);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

std::vector<std::string> Tree(const std::string& root) {
    std::vector<std::string> entries;
    ListTree(root, "", entries);
    std::sort(entries.begin(), entries.end());
    return entries;
}

void RemoveTree(const std::string& root) {
    for (const std::string& entry : Tree(root)) {
        const std::string path = root + "\\" + entry;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    std::vector<std::string> entries = Tree(root);
    std::reverse(entries.begin(), entries.end());  // children before their folders
    for (const std::string& entry : entries) {
        const std::string path = root + "\\" + entry;
        if (entry.back() == '\\')
            RemoveDirectoryA(path.c_str());
        else
            DeleteFileA(path.c_str());
    }
    RemoveDirectoryA(root.c_str());
}

struct Report {
    int kind;
    int32_t number;
    std::string text;
    uint64_t size;
    int32_t number2;
    int32_t number3;
    bool operator==(const Report&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Report& r) {
    return out << "{" << r.kind << " " << r.number << " \"" << r.text << "\" " << r.size << " "
               << r.number2 << " " << r.number3 << "}";
}

// One call of ZL_UnzExec with a recording callback.
class Job {
  public:
    Job(const std::string& archive, const std::string& destination)
        : archive_(archive), destination_(destination + "\\") {
        std::memset(&command, 0, sizeof command);
        command.caller = this;
        command.version = ZL_INTERFACE_VERSION;
        command.callback = &Job::Callback;
        command.reserved44 = -1;
        command.directoryNames = ZL_TRUE;
        command.overwrite = ZL_TRUE;
        command.passwordRequestCount = 1;
        command.endMarker = ZL_COMMAND_END_MARKER;
    }

    // Answers and stops: called for every report before it is recorded.
    std::function<int32_t(ZlCallbackRecord&)> answer;
    std::vector<std::string> specs;
    std::string password;
    ZlCommand command;
    std::vector<Report> reports;
    int foreignThreadReports = 0;  // reports that came on another thread than the caller's

    int32_t Run() {
        thread_ = GetCurrentThreadId();
        std::vector<ZlFileSpec> array(specs.size());
        for (size_t i = 0; i < specs.size(); ++i) array[i].pattern = specs[i].c_str();
        command.fileSpecs = array.empty() ? nullptr : array.data();
        command.fileSpecCount = static_cast<int32_t>(specs.size());
        command.archivePath = archive_.c_str();
        command.destination = command.test ? nullptr : destination_.c_str();
        command.password = password.c_str();
        auto unzExec = Library::Get().Entry<ZlUnzExecFn>("ZL_UnzExec");
        return unzExec(&command);
    }

    std::vector<Report> Of(int kind) const {
        std::vector<Report> result;
        std::copy_if(reports.begin(), reports.end(), std::back_inserter(result),
                     [kind](const Report& r) { return r.kind == kind; });
        return result;
    }
    std::vector<int> Kinds() const {
        std::vector<int> kinds;
        for (const Report& r : reports) kinds.push_back(r.kind);
        return kinds;
    }
    // Codes of the error messages (report 4 with a code).
    std::vector<int32_t> Errors() const {
        std::vector<int32_t> codes;
        for (const Report& r : Of(ZL_REPORT_MESSAGE))
            if (r.number != 0) codes.push_back(r.number);
        return codes;
    }

  private:
    static int32_t ZL_CALL Callback(void* caller, ZlCallbackRecord* record) {
        auto* job = static_cast<Job*>(caller);
        if (GetCurrentThreadId() != job->thread_) ++job->foreignThreadReports;
        Report report{record->kindOrReply & ZL_REPORT_KIND_MASK,
                      record->number,
                      record->text != nullptr ? record->text : "",
                      record->area.report.size,
                      record->area.report.number2,
                      record->area.report.number3};
        job->reports.push_back(report);
        return job->answer ? job->answer(*record) : 0;
    }

    std::string archive_;
    std::string destination_;
    DWORD thread_ = 0;
};

void Reply(ZlCallbackRecord& record, int32_t code, const char* text = nullptr) {
    record.kindOrReply = code;
    if (text != nullptr) std::strcpy(record.area.replyText, text);
}

class ZipLibTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(Library::Get().Module(), nullptr) << "ZipLib179.dll not loaded";
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        sandbox_ =
            FromEnvironment("ZIPLIB_SCRATCH") + "\\" + test->test_suite_name() + "." + test->name();
        std::replace(sandbox_.begin(), sandbox_.end(), '/', '_');
        RemoveTree(sandbox_);
        CreateDirectoryA(sandbox_.c_str(), nullptr);
        out_ = sandbox_ + "\\out";
        CreateDirectoryA(out_.c_str(), nullptr);
    }

    std::string Out(const std::string& relative = "") const {
        return relative.empty() ? out_ : out_ + "\\" + relative;
    }

    // The payload tree, as extracted with folder names.
    void ExpectPayload() const {
        const std::string payload = Fixture("payload");
        std::vector<std::string> expected = Tree(payload);
        EXPECT_EQ(Tree(out_), expected);
        for (const std::string& entry : expected) {
            if (entry.back() != '\\') {
                EXPECT_EQ(Contents(out_ + "\\" + entry), Contents(payload + "\\" + entry)) << entry;
            }
        }
    }

    std::string sandbox_;
    std::string out_;
};

// ---- Entries ---------------------------------------------------------------------------

TEST_F(ZipLibTest, EntriesReportVersionPathAndRefuseAdding) {
    Library& library = Library::Get();
    EXPECT_EQ(library.Entry<ZlVersionFn>("ZL_Version")(), 179);
    EXPECT_EQ(library.Entry<ZlPrivVersionFn>("ZL_PrivVersion")(), ZL_PRIVATE_VERSION);
    const std::string path = library.Entry<ZlPathFn>("ZL_Path")();
    char loaded[MAX_PATH];
    GetModuleFileNameA(library.Module(), loaded, sizeof loaded);
    EXPECT_STRCASEEQ(path.c_str(), loaded);
    EXPECT_LT(library.Entry<ZlZipExecFn>("ZL_ZipExec")(nullptr), 0);
    EXPECT_EQ(library.Entry<ZlAbortFn>("ZL_Abort")(987654), -1);
    EXPECT_EQ(library.Entry<ZlUnzExecFn>("ZL_UnzExec")(nullptr), ZL_STATUS_INVALID_STRUCTURE);
}

// ---- Archives of every tool ------------------------------------------------------------

class ToolArchiveTest : public ZipLibTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ToolArchiveTest, ExtractsThePayloadExactly) {
    Job job(Fixture(GetParam()), Out());
    job.password = "secret";
    EXPECT_EQ(job.Run(), 4);  // readme, big, empty, deep file
    EXPECT_TRUE(job.Errors().empty());
    ExpectPayload();
}

INSTANTIATE_TEST_SUITE_P(Tools, ToolArchiveTest,
                         ::testing::Values("infozip.zip", "infozip_stored.zip",
                                           "infozip_stream.zip", "infozip_crypt.zip",
                                           "infozip_crypt_stream.zip", "7z.zip", "7z_crypt.zip",
                                           "bsdtar.zip", "python.zip", "sfx.zip",
                                           "sfx_adjusted.zip", "infozip64.zip", "sfx64.zip"),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '.', '_');
                             return name;
                         });

// ---- Report sequence -------------------------------------------------------------------

TEST_F(ZipLibTest, ReportsComeInOrderAndProgressAddsUpPerEntry) {
    Job job(Fixture("infozip.zip"), Out());
    ASSERT_EQ(job.Run(), 4);
    const std::vector<Report>& r = job.reports;
    ASSERT_GE(r.size(), 4u);
    EXPECT_EQ(r[0].kind, ZL_REPORT_JOB_HANDLE);
    EXPECT_GT(r[0].number, 0);
    EXPECT_EQ(r[1].kind, ZL_REPORT_ENTRY_COUNT);
    EXPECT_EQ(r[1].number, 4);
    EXPECT_EQ(r[2].kind, ZL_REPORT_TOTAL_BYTES);
    EXPECT_EQ(r[2].size, 640u + 10u + 0u + 2700000u);
    EXPECT_EQ(r.back().kind, ZL_REPORT_BATCH_END);

    // Per entry: name offer, start with the size, then steps that add up to it.
    uint64_t total = 0;
    int starts = 0;
    for (size_t i = 3; i + 1 < r.size();) {
        ASSERT_EQ(r[i].kind, ZL_REPORT_NEW_EXTRACT_NAME) << i;
        ASSERT_EQ(r[i + 1].kind, ZL_REPORT_ENTRY_START);
        EXPECT_EQ(r[i + 1].text, r[i].text);
        const uint64_t size = r[i + 1].size;
        uint64_t done = 0;
        size_t steps = 0;
        for (i += 2; r[i].kind == ZL_REPORT_BYTES_DONE; ++i, ++steps) {
            EXPECT_GT(r[i].size, 0u);
            EXPECT_LE(r[i].size, 1u << 20);
            done += r[i].size;
        }
        EXPECT_EQ(done, size) << r[i].text;
        if (size == 2700000u) {
            EXPECT_EQ(steps, 3u);
        }
        total += done;
        ++starts;
    }
    EXPECT_EQ(starts, 4);
    EXPECT_EQ(total, r[2].size);
}

TEST_F(ZipLibTest, EmptyArchiveSendsCountsAndEnd) {
    Job job(Fixture("empty.zip"), Out());
    EXPECT_EQ(job.Run(), 0);
    EXPECT_EQ(job.Kinds(), (std::vector<int>{ZL_REPORT_JOB_HANDLE, ZL_REPORT_ENTRY_COUNT,
                                             ZL_REPORT_TOTAL_BYTES, ZL_REPORT_BATCH_END}));
    EXPECT_TRUE(Tree(Out()).empty());
}

// ---- Stopping --------------------------------------------------------------------------

TEST_F(ZipLibTest, NonZeroCallbackResultStopsWithinOneChunk) {
    for (int32_t result : {1, 10106}) {
        Job job(Fixture("infozip_stored.zip"), Out());
        bool inBig = false;
        int stepsAfterStop = -1;
        job.answer = [&](ZlCallbackRecord& record) -> int32_t {
            const int kind = record.kindOrReply;
            if (kind == ZL_REPORT_ENTRY_START) inBig = record.area.report.size == 2700000u;
            if (stepsAfterStop >= 0 && kind == ZL_REPORT_BYTES_DONE) ++stepsAfterStop;
            if (inBig && kind == ZL_REPORT_BYTES_DONE && stepsAfterStop < 0) {
                stepsAfterStop = 0;
                return result;
            }
            return 0;
        };
        const int32_t status = job.Run();
        EXPECT_EQ(status, result == 1 ? ZL_STATUS_CANCELLED : ZL_STATUS_HANDLER_EXCEPTION);
        EXPECT_EQ(stepsAfterStop, 0);
        EXPECT_FALSE(Exists(Out("data\\big.bin"))) << "partial file left behind";
        EXPECT_EQ(job.reports.back().kind, ZL_REPORT_BATCH_END);
        const std::vector<int32_t> errors = job.Errors();
        EXPECT_EQ(errors, std::vector<int32_t>{ZL_ERR_STOPPED});
        RemoveTree(Out());
        CreateDirectoryA(Out().c_str(), nullptr);
    }
}

TEST_F(ZipLibTest, AbortWithTheJobHandleStopsTheJob) {
    Job job(Fixture("infozip.zip"), Out());
    int32_t handle = 0;
    int entryStarts = 0;
    job.answer = [&](ZlCallbackRecord& record) -> int32_t {
        if (record.kindOrReply == ZL_REPORT_JOB_HANDLE) handle = record.number;
        if (record.kindOrReply == ZL_REPORT_ENTRY_START && ++entryStarts == 1) {
            EXPECT_EQ(Library::Get().Entry<ZlAbortFn>("ZL_Abort")(handle), 0);
        }
        return 0;
    };
    EXPECT_EQ(job.Run(), ZL_STATUS_ABORTED);
    EXPECT_EQ(entryStarts, 1);
    EXPECT_EQ(Library::Get().Entry<ZlAbortFn>("ZL_Abort")(handle), -1) << "job still registered";
}

// ---- Decoding threads --------------------------------------------------------------------

// Every archive of the fixtures, with names that would land on each other.
std::vector<std::string> FixtureArchives() {
    std::vector<std::string> archives;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((Fixtures() + "\\*.zip").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return archives;
    do archives.push_back(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return archives;
}

// The threads of this process now.
size_t ProcessThreads() {
    size_t count = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 thread{};
    thread.dwSize = sizeof thread;
    for (BOOL more = Thread32First(snapshot, &thread); more; more = Thread32Next(snapshot, &thread))
        count += thread.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return count;
}

class DecodingThreadsTest : public ZipLibTest {
  protected:
    // One thread, and three: two decoding threads racing each other and the job (a third
    // way with one decoding thread took a third more of the test command's time and found
    // nothing these two do not).
    static constexpr int kThreads[] = {1, 3};

    struct Streams {
        std::map<int, std::vector<Report>> reports;  // by threads; the job's result last
        std::map<int, size_t> extraThreads;  // threads beside the caller's at the first entry
    };

    // Runs the job on `archive` as `setUp` makes it with one and three threads (all but one
    // decoding ahead), over the same files.
    Streams EveryWay(
        const std::string& archive, const std::function<void(Job&)>& setUp,
        const std::function<void()>& prepareOut = [] {}) {
        Streams streams;
        for (int threads : kThreads) {
            RemoveTree(Out());
            CreateDirectoryA(Out().c_str(), nullptr);
            prepareOut();
            Job job(archive, Out());
            setUp(job);
            job.command.threads = threads;
            const size_t before = ProcessThreads();
            bool counted = false;
            auto answer = job.answer;
            job.answer = [&](ZlCallbackRecord& record) -> int32_t {
                if (record.kindOrReply == ZL_REPORT_ENTRY_START && !counted) {
                    streams.extraThreads[threads] = ProcessThreads() - before;
                    counted = true;
                }
                return answer ? answer(record) : 0;
            };
            const int32_t status = job.Run();
            EXPECT_EQ(ProcessThreads(), before) << "a decoding thread outlived the job";
            EXPECT_EQ(job.foreignThreadReports, 0) << archive;
            job.reports.front().number = 0;  // the job handle counts up
            job.reports.push_back({-1, status, "status", 0, 0, 0});
            streams.reports[threads] = job.reports;
        }
        return streams;
    }

    // Every way gave the reports of one thread.
    static void ExpectAlike(const Streams& streams, const std::string& what) {
        for (int threads : kThreads)
            EXPECT_EQ(streams.reports.at(threads), streams.reports.at(1))
                << what << " with " << threads << " threads";
    }
};

// Whatever the archive, the answers and where the job stops: the same reports, number for
// number, and every one on the caller's thread.
TEST_F(DecodingThreadsTest, ReportsAreThoseOfOneThreadForEveryArchive) {
    for (const std::string& archive : FixtureArchives()) {
        // Into an empty folder, with the password.
        const std::string path = Fixture(archive);
        const Streams plain = EveryWay(path, [](Job& job) { job.password = "secret"; });
        ExpectAlike(plain, archive);
        const size_t length = plain.reports.at(1).size();
        // Over the files of the payload, not overwriting: the questions answered by name, the
        // password asked for and given on the second try.
        auto answering = [](Job& job) {
            job.command.overwrite = ZL_FALSE;
            job.answer = [](ZlCallbackRecord& record) -> int32_t {
                const std::string text = record.text != nullptr ? record.text : "";
                if (record.kindOrReply == ZL_REPORT_OVERWRITE) {
                    // A user takes a moment, long enough for the decoding to get ahead.
                    if (text == "data\\big.bin") Sleep(50);
                    Reply(record, text.size() % 2 ? ZL_REPLY_YES : ZL_REPLY_NO);
                }
                if (record.kindOrReply == ZL_REPORT_PASSWORD)
                    Reply(record, ZL_REPLY_YES, record.number > 1 ? "wrong" : "secret");
                return 0;
            };
            job.command.passwordRequestCount = 2;
        };
        auto payload = [this] {
            for (const std::string& entry : Tree(Fixture("payload")))
                if (entry.back() == '\\')
                    CreateDirectoryA(Out(entry).c_str(), nullptr);
                else
                    CopyFileA((Fixture("payload") + "\\" + entry).c_str(), Out(entry).c_str(),
                              FALSE);
        };
        ExpectAlike(EveryWay(path, answering, payload), archive + " answering");
        // Stopped by the callback halfway through.
        auto stopping = [length](Job& job) {
            job.answer = [&job, length](ZlCallbackRecord&) -> int32_t {
                return job.reports.size() == length / 2 ? 1 : 0;
            };
        };
        ExpectAlike(EveryWay(path, stopping), archive + " stopped");
    }
}

// Zip64 archives made by Python: 70,000 entries tested whole, and the last folder written;
// 4.5 GiB of zeros tested and stopped within its second block, every decoding thread ended
// by the time the job returns.
TEST_F(DecodingThreadsTest, LargeArchivesGiveTheSameReportsAndStopPromptly) {
    const std::string many = FromEnvironment("ZIP_FIXTURES") + "\\zip64_many.zip";
    const std::string zeros = FromEnvironment("ZIP_FIXTURES") + "\\zip64_zeros.zip";
    const Streams tested = EveryWay(many, [](Job& job) { job.command.test = ZL_TRUE; });
    ExpectAlike(tested, "zip64_many.zip");
    EXPECT_EQ(tested.reports.at(1).back().number, 70000) << "every file entry tested";
    EXPECT_EQ(tested.extraThreads, (std::map<int, size_t>{{1, 0}, {3, 2}}))
        << "the decoding threads run";
    const Streams tail = EveryWay(many, [](Job& job) { job.specs = {"d087\\*"}; });
    ExpectAlike(tail, "d087 of zip64_many.zip");
    EXPECT_EQ(tail.reports.at(1).back().number, 400);
    EXPECT_EQ(Contents(Out("d087\\f69999.txt")), "69999");

    auto stopEarly = [](Job& job) {
        job.command.test = ZL_TRUE;
        job.answer = [&job](ZlCallbackRecord& record) -> int32_t {
            return record.kindOrReply == ZL_REPORT_BYTES_DONE &&
                   job.Of(ZL_REPORT_BYTES_DONE).size() == 2;
        };
    };
    const Streams stopped = EveryWay(zeros, stopEarly);
    ExpectAlike(stopped, "zip64_zeros.zip");
    EXPECT_EQ(stopped.reports.at(1).back().number, ZL_STATUS_CANCELLED);
}

// ---- Flags -----------------------------------------------------------------------------

TEST_F(ZipLibTest, ExistingFileIsKeptUnlessTheCallerSaysOverwrite) {
    CreateDirectoryA(Out("Sub").c_str(), nullptr);
    CreateDirectoryA(Out("Sub\\Deep").c_str(), nullptr);
    WriteText(Out("readme.txt"), "mine");
    WriteText(Out("Sub\\Deep\\file.TXT"), "mine too");
    Job job(Fixture("infozip.zip"), Out());
    job.command.overwrite = ZL_FALSE;
    job.answer = [](ZlCallbackRecord& record) -> int32_t {
        if (record.kindOrReply == ZL_REPORT_OVERWRITE && std::strstr(record.text, "readme"))
            Reply(record, ZL_REPLY_YES);
        return 0;  // the other question goes unanswered: keep the file
    };
    EXPECT_EQ(job.Run(), 3);
    const auto questions = job.Of(ZL_REPORT_OVERWRITE);
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[0].number, 0);  // not overwriting by default
    EXPECT_EQ(Contents(Out("readme.txt")), Contents(Fixture("payload\\readme.txt")));
    EXPECT_EQ(Contents(Out("Sub\\Deep\\file.TXT")), "mine too");
    const auto skipped = job.Of(ZL_REPORT_SKIPPED);
    ASSERT_EQ(skipped.size(), 1u);
    EXPECT_EQ(skipped[0].number, 0);
    EXPECT_EQ(skipped[0].number2, ZL_SKIP_EXISTS + 1);
    EXPECT_EQ(skipped[0].text, "Sub\\Deep\\file.TXT");
}

TEST_F(ZipLibTest, NoToAllStopsFurtherOverwriteQuestions) {
    Job first(Fixture("infozip.zip"), Out());
    ASSERT_EQ(first.Run(), 4);
    Job job(Fixture("infozip.zip"), Out());
    job.command.overwrite = ZL_FALSE;
    job.answer = [](ZlCallbackRecord& record) -> int32_t {
        if (record.kindOrReply == ZL_REPORT_OVERWRITE) Reply(record, ZL_REPLY_NO_ALL);
        return 0;
    };
    EXPECT_EQ(job.Run(), 0);
    EXPECT_EQ(job.Of(ZL_REPORT_OVERWRITE).size(), 1u);
    EXPECT_EQ(job.Of(ZL_REPORT_SKIPPED).size(), 4u);
}

TEST_F(ZipLibTest, OverwriteReplacesEvenReadOnlyFilesWithoutAsking) {
    WriteText(Out("readme.txt"), "old");
    SetFileAttributesA(Out("readme.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    Job job(Fixture("infozip.zip"), Out());
    EXPECT_EQ(job.Run(), 4);
    EXPECT_TRUE(job.Of(ZL_REPORT_OVERWRITE).empty());
    ExpectPayload();
}

// attributes.zip: readonly.txt, hidden.txt, unixro.txt dated 2001-02-03 04:05:06,
// plain.txt dated 2010-12-31 23:59:58.
void SetDate(const std::string& path, WORD year) {
    SYSTEMTIME when{};
    when.wYear = year;
    when.wMonth = 6;
    when.wDay = 1;
    FILETIME local, utc;
    SystemTimeToFileTime(&when, &local);
    LocalFileTimeToFileTime(&local, &utc);
    HANDLE file =
        CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(file, nullptr, nullptr, &utc);
    CloseHandle(file);
}

TEST_F(ZipLibTest, OverwriteQuestionTellsWhetherTheFileIsOlder) {
    WriteText(Out("hidden.txt"), "old");
    SetDate(Out("hidden.txt"), 1999);
    WriteText(Out("plain.txt"), "new");
    SetDate(Out("plain.txt"), 2020);
    Job job(Fixture("attributes.zip"), Out());
    job.command.overwrite = ZL_FALSE;
    EXPECT_EQ(job.Run(), 2);
    const auto questions = job.Of(ZL_REPORT_OVERWRITE);
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[0].text, "hidden.txt");
    EXPECT_NE(questions[0].number3, ZL_AGE_NOT_OLDER);
    EXPECT_EQ(questions[0].number2, 1);  // its place in the central directory
    EXPECT_EQ(questions[1].text, "plain.txt");
    EXPECT_EQ(questions[1].number3, ZL_AGE_NOT_OLDER);
}

TEST_F(ZipLibTest, FreshenReplacesOnlyOlderExistingFiles) {
    WriteText(Out("hidden.txt"), "old");
    SetDate(Out("hidden.txt"), 1999);  // older than the entry: replaced
    WriteText(Out("plain.txt"), "new");
    SetDate(Out("plain.txt"), 2020);  // newer: kept
    Job job(Fixture("attributes.zip"), Out());
    job.command.freshen = ZL_TRUE;
    job.command.overwrite = ZL_FALSE;
    EXPECT_EQ(job.Run(), 1);
    EXPECT_EQ(Contents(Out("hidden.txt")), "hidden");
    EXPECT_EQ(Contents(Out("plain.txt")), "new");
    EXPECT_FALSE(Exists(Out("readonly.txt")));
    std::vector<int32_t> reasons;
    for (const Report& r : job.Of(ZL_REPORT_SKIPPED)) reasons.push_back(r.number2 - 1);
    std::sort(reasons.begin(), reasons.end());
    EXPECT_EQ(reasons,
              (std::vector<int32_t>{ZL_SKIP_NOT_PRESENT, ZL_SKIP_NOT_PRESENT, ZL_SKIP_NOT_NEWER}));
}

TEST_F(ZipLibTest, UpdateAddsMissingAndReplacesOlderFiles) {
    WriteText(Out("hidden.txt"), "old");
    SetDate(Out("hidden.txt"), 1999);
    WriteText(Out("plain.txt"), "new");
    SetDate(Out("plain.txt"), 2020);
    Job job(Fixture("attributes.zip"), Out());
    job.command.update = ZL_TRUE;
    job.command.freshen = ZL_TRUE;  // update wins
    job.command.overwrite = ZL_FALSE;
    EXPECT_EQ(job.Run(), 3);
    EXPECT_EQ(Contents(Out("hidden.txt")), "hidden");
    EXPECT_EQ(Contents(Out("plain.txt")), "new");
    EXPECT_EQ(Contents(Out("readonly.txt")), "read only");
    EXPECT_EQ(Contents(Out("unixro.txt")), "unix read only");
}

TEST_F(ZipLibTest, TestFlagChecksEverythingAndWritesNothing) {
    Job job(Fixture("infozip.zip"), Out());
    job.command.test = ZL_TRUE;
    EXPECT_EQ(job.Run(), 4);
    EXPECT_EQ(job.Of(ZL_REPORT_ENTRY_START).size(), 4u);
    EXPECT_TRUE(Tree(Out()).empty());

    Job damaged(Fixture("crc.zip"), Out());
    damaged.command.test = ZL_TRUE;
    EXPECT_EQ(damaged.Run(), 1);
    EXPECT_EQ(damaged.Errors(), std::vector<int32_t>{ZL_ERR_CRC});
    EXPECT_TRUE(Tree(Out()).empty());
}

TEST_F(ZipLibTest, WithoutDirectoryNamesFilesLandInTheDestination) {
    Job job(Fixture("infozip.zip"), Out());
    job.command.directoryNames = ZL_FALSE;
    EXPECT_EQ(job.Run(), 4);
    EXPECT_EQ(Tree(Out()),
              (std::vector<std::string>{"big.bin", "empty.txt", "file.TXT", "readme.txt"}));
}

TEST_F(ZipLibTest, MissingDestinationFoldersAreCreated) {
    Job job(Fixture("infozip.zip"), Out("new\\deeper"));
    EXPECT_EQ(job.Run(), 4);
    EXPECT_EQ(Contents(Out("new\\deeper\\Sub\\Deep\\file.TXT")), "deep file\n");
    EXPECT_TRUE(Exists(Out("new\\deeper\\emptydir")));
}

// Files made anew take their attributes through their own handle; files that replace
// others (read-only ones too) take them once in place, through a handle opened again.
TEST_F(ZipLibTest, TimesAndAttributesAreRestored) {
    auto attributes = [&](const char* name) { return GetFileAttributesA(Out(name).c_str()); };
    for (int round = 0; round < 2; ++round) {
        Job job(Fixture("attributes.zip"), Out());
        ASSERT_EQ(job.Run(), 4) << round;
        EXPECT_TRUE(attributes("readonly.txt") & FILE_ATTRIBUTE_READONLY) << round;
        EXPECT_TRUE(attributes("hidden.txt") & FILE_ATTRIBUTE_HIDDEN) << round;
        EXPECT_TRUE(attributes("unixro.txt") & FILE_ATTRIBUTE_READONLY) << round;
        EXPECT_FALSE(attributes("plain.txt") & FILE_ATTRIBUTE_READONLY) << round;
    }
    auto stamp = [&](const char* name) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        GetFileAttributesExA(Out(name).c_str(), GetFileExInfoStandard, &data);
        FILETIME local;
        SYSTEMTIME when;
        FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
        FileTimeToSystemTime(&local, &when);
        char text[32];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", when.wYear, when.wMonth,
                      when.wDay, when.wHour, when.wMinute, when.wSecond);
        return std::string(text);
    };
    EXPECT_EQ(stamp("readonly.txt"), "2001-02-03 04:05:06");
    EXPECT_EQ(stamp("plain.txt"), "2010-12-31 23:59:58");
}

// ---- File specifications ----------------------------------------------------------------

TEST_F(ZipLibTest, SpecificationsMatchLikeTheComponentExpects) {
    struct Case {
        std::vector<std::string> specs;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        {{"*.txt"}, {"Sub\\Deep\\file.TXT", "data\\empty.txt", "readme.txt"}},
        {{"DATA\\BIG.BIN"}, {"data\\big.bin"}},
        {{"data/big.bin", "?eadme.*"}, {"data\\big.bin", "readme.txt"}},
        {{"sub\\"}, {"Sub\\Deep\\file.TXT"}},
        {{"*.*"}, {"Sub\\Deep\\file.TXT", "data\\big.bin", "data\\empty.txt", "readme.txt"}},
        {{"nothing*"}, {}},
    };
    for (const Case& c : cases) {
        RemoveTree(Out());
        Job job(Fixture("infozip.zip"), Out());
        job.specs = c.specs;
        EXPECT_EQ(job.Run(), static_cast<int32_t>(c.files.size())) << c.specs[0];
        ASSERT_GE(job.reports.size(), 2u);
        EXPECT_EQ(job.reports[1].number, static_cast<int32_t>(c.files.size()));
        std::vector<std::string> files;
        for (const std::string& entry : Tree(Out()))
            if (entry.back() != '\\') files.push_back(entry);
        EXPECT_EQ(files, c.files) << c.specs[0];
    }
}

// ---- Passwords -------------------------------------------------------------------------

// The traditional cipher checks a password against one byte of the entry's header, so one
// wrong password in 256 passes that check for a given entry; the tool-made archives get new
// random headers on every build. Tests that need a wrong password take one that every
// header of the archive refuses: with it, no entry even starts.
std::string PasswordEveryHeaderRefuses(const std::string& archive) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = "wrong" + std::to_string(attempt);
        Job probe(archive, "");
        probe.command.test = ZL_TRUE;
        probe.command.passwordRequestCount = 0;
        probe.password = candidate;
        probe.Run();
        if (probe.Of(ZL_REPORT_ENTRY_START).empty()) return candidate;
    }
    ADD_FAILURE() << "every candidate password opened some entry of " << archive;
    return "wrong";
}

TEST_F(ZipLibTest, PasswordIsAskedWithTheRepeatCountUntilRight) {
    const std::string wrongPassword = PasswordEveryHeaderRefuses(Fixture("infozip_crypt.zip"));
    Job job(Fixture("infozip_crypt.zip"), Out());
    job.command.passwordRequestCount = 3;
    std::vector<int32_t> counts;
    job.answer = [&](ZlCallbackRecord& record) -> int32_t {
        if (record.kindOrReply == ZL_REPORT_PASSWORD) {
            counts.push_back(record.number);
            Reply(record, ZL_REPLY_YES, counts.size() < 3 ? wrongPassword.c_str() : "secret");
        }
        return 0;
    };
    EXPECT_EQ(job.Run(), 4);
    EXPECT_EQ(counts, (std::vector<int32_t>{3, 2, 1}));  // then remembered for the rest
    EXPECT_TRUE(job.Errors().empty());
    ExpectPayload();
}

TEST_F(ZipLibTest, WrongPasswordThatPassesTheHeaderCheckIsAskedAgain) {
    // "decoy" passes the header check of the archive's only entry but decrypts to noise.
    Job job(Fixture("decoy.zip"), Out());
    job.password = "decoy";
    job.command.passwordRequestCount = 2;
    int asked = 0;
    job.answer = [&](ZlCallbackRecord& record) -> int32_t {
        if (record.kindOrReply == ZL_REPORT_PASSWORD) {
            ++asked;
            Reply(record, ZL_REPLY_YES, "secret");
        }
        return 0;
    };
    EXPECT_EQ(job.Run(), 1);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(job.Errors().empty());
    std::string expected;
    for (int line = 0; line < 50; ++line) expected += "Only the right password opens this.\n";
    EXPECT_EQ(Contents(Out("locked.txt")), expected);
}

TEST_F(ZipLibTest, WrongOrMissingPasswordIsAnEntryError) {
    Job wrong(Fixture("7z_crypt.zip"), Out());
    wrong.password = PasswordEveryHeaderRefuses(Fixture("7z_crypt.zip"));
    wrong.command.passwordRequestCount = 0;
    EXPECT_EQ(wrong.Run(), 0);
    // The three files with data; an empty file carries no encryption header in 7z's output.
    const std::vector<int32_t> errors = wrong.Errors();
    EXPECT_GE(errors.size(), 3u);
    for (int32_t code : errors) EXPECT_EQ(code, ZL_ERR_PASSWORD);
    EXPECT_FALSE(Exists(Out("readme.txt")));
    EXPECT_FALSE(Exists(Out("data\\big.bin")));

    Job refused(Fixture("infozip_crypt_stream.zip"), Out());
    int asked = 0;
    refused.answer = [&](ZlCallbackRecord& record) -> int32_t {
        if (record.kindOrReply == ZL_REPORT_PASSWORD) {
            ++asked;
            Reply(record, ZL_REPLY_NO_ALL);
        }
        return 0;
    };
    EXPECT_EQ(refused.Run(), 0);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(refused.Of(ZL_REPORT_SKIPPED).size(), 4u);
}

// ---- Damage -----------------------------------------------------------------------------

TEST_F(ZipLibTest, CrcMismatchRemovesTheFileUnlessAccepted) {
    Job job(Fixture("crc.zip"), Out());
    EXPECT_EQ(job.Run(), 1);
    const auto mismatch = job.Of(ZL_REPORT_CRC_ERROR);
    ASSERT_EQ(mismatch.size(), 1u);
    EXPECT_EQ(static_cast<uint32_t>(mismatch[0].number) ^ 0xFF,
              static_cast<uint32_t>(mismatch[0].number2));
    EXPECT_EQ(job.Errors(), std::vector<int32_t>{ZL_ERR_CRC});
    EXPECT_FALSE(Exists(Out("crc.txt")));
    EXPECT_EQ(Contents(Out("after.txt")), "after");

    Job accepted(Fixture("crc.zip"), Out());
    accepted.answer = [](ZlCallbackRecord& record) -> int32_t {
        if (record.kindOrReply == ZL_REPORT_CRC_ERROR) Reply(record, ZL_REPLY_YES);
        return 0;
    };
    EXPECT_EQ(accepted.Run(), 2);
    EXPECT_EQ(Contents(Out("crc.txt")), "checksum me");
}

TEST_F(ZipLibTest, DamagedEntriesAreErrorsAndTheJobGoesOn) {
    struct Case {
        const char* archive;
        std::vector<int32_t> errors;
        int32_t handled;
        const char* absent;
        const char* present;
    };
    const Case cases[] = {
        {"corrupt.zip", {ZL_ERR_DAMAGED}, 1, "corrupt.bin", "fine.txt"},
        {"sizelie.zip", {ZL_ERR_DAMAGED}, 0, "lie.txt", nullptr},
        {"overlap.zip", {ZL_ERR_DAMAGED, ZL_ERR_DAMAGED}, 0, "one.txt", nullptr},
        {"outofrange.zip", {ZL_ERR_DAMAGED}, 0, "far.txt", nullptr},
        {"bzip2.zip", {ZL_ERR_UNSUPPORTED_METHOD}, 1, "packed.txt", "plain.txt"},
    };
    for (const Case& c : cases) {
        RemoveTree(Out());
        Job job(Fixture(c.archive), Out());
        EXPECT_EQ(job.Run(), c.handled) << c.archive;
        EXPECT_EQ(job.Errors(), c.errors) << c.archive;
        EXPECT_EQ(job.Of(ZL_REPORT_SKIPPED).size(), c.errors.size()) << c.archive;
        EXPECT_FALSE(Exists(Out(c.absent))) << c.archive;
        if (c.present != nullptr) {
            EXPECT_TRUE(Exists(Out(c.present))) << c.archive;
        }
        EXPECT_EQ(job.reports.back().kind, ZL_REPORT_BATCH_END);
    }
}

// A job that fails before its entries still sends the empty counts and the end of the batch,
// so that a progress display always sees the end.
TEST_F(ZipLibTest, EarlyFailuresStillEndTheBatch) {
    const std::vector<int> closing = {ZL_REPORT_JOB_HANDLE, ZL_REPORT_MESSAGE,
                                      ZL_REPORT_ENTRY_COUNT, ZL_REPORT_TOTAL_BYTES,
                                      ZL_REPORT_BATCH_END};
    for (const char* name : {"notzip.zip", "truncated_cd.zip", "missing.zip"}) {
        Job job(Fixture(name), Out());
        EXPECT_EQ(job.Run(), ZL_STATUS_INVALID_STRUCTURE) << name;
        EXPECT_EQ(job.Errors(), std::vector<int32_t>{ZL_ERR_READ}) << name;
        EXPECT_EQ(job.Kinds(), closing) << name;
        EXPECT_EQ(job.reports[2].number, 0);
        EXPECT_EQ(job.reports[3].size, 0u);
        EXPECT_TRUE(Tree(Out()).empty()) << name;
    }
    Job memory(Fixture("infozip.zip"), Out());
    memory.command.memoryTarget = ZL_TRUE;
    EXPECT_EQ(memory.Run(), ZL_STATUS_INVALID_STRUCTURE);
    EXPECT_EQ(memory.Kinds(), closing);
    EXPECT_EQ(memory.Errors(), std::vector<int32_t>{ZL_ERR_UNSUPPORTED});

    // A destination below a file cannot be made.
    WriteText(Out("plain"), "a file");
    Job below(Fixture("infozip.zip"), Out("plain\\dest"));
    EXPECT_EQ(below.Run(), ZL_STATUS_INVALID_STRUCTURE);
    EXPECT_EQ(below.Kinds(), closing);
    EXPECT_EQ(below.Errors(), std::vector<int32_t>{ZL_ERR_WRITE});
    EXPECT_NE(below.Of(ZL_REPORT_MESSAGE)[0].text.find("plain\\dest\\: "), std::string::npos)
        << below.Of(ZL_REPORT_MESSAGE)[0].text;

    // The end comes even when the caller asked to stop at the first report.
    Job stopped(Fixture("notzip.zip"), Out());
    stopped.answer = [](ZlCallbackRecord&) -> int32_t { return 1; };
    stopped.Run();
    EXPECT_EQ(stopped.Kinds(), closing);
}

TEST_F(ZipLibTest, WriteFailureIsAnEntryErrorWithTheSystemReason) {
    CreateDirectoryA(Out("readme.txt").c_str(), nullptr);  // a folder where a file goes
    Job job(Fixture("infozip.zip"), Out());
    EXPECT_EQ(job.Run(), 3);
    EXPECT_EQ(job.Errors(), std::vector<int32_t>{ZL_ERR_WRITE});
    const auto messages = job.Of(ZL_REPORT_MESSAGE);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].text.find("readme.txt: "), std::string::npos) << messages[0].text;
    EXPECT_GT(messages[0].text.size(), std::string("Cannot create readme.txt: ").size());
    EXPECT_EQ(Contents(Out("Sub\\Deep\\file.TXT")), "deep file\n");
}

// ---- Replacing files -------------------------------------------------------------------

// No file of the given folder has a temporary name left over.
void ExpectNoTemporaryFiles(const std::string& root) {
    for (const std::string& entry : Tree(root))
        EXPECT_EQ(entry.find("~zl"), std::string::npos) << entry;
}

TEST_F(ZipLibTest, ReplacedFileSurvivesAFailedEntry) {
    // A checksum error, damaged data and a cancel in the middle of the data: the file the
    // entry would have replaced keeps its bytes.
    WriteText(Out("crc.txt"), "good old bytes");
    Job crc(Fixture("crc.zip"), Out());
    EXPECT_EQ(crc.Run(), 1);
    EXPECT_EQ(crc.Errors(), std::vector<int32_t>{ZL_ERR_CRC});
    EXPECT_EQ(Contents(Out("crc.txt")), "good old bytes");
    EXPECT_EQ(Contents(Out("after.txt")), "after");

    WriteText(Out("corrupt.bin"), "good old bytes");
    Job corrupt(Fixture("corrupt.zip"), Out());
    EXPECT_EQ(corrupt.Run(), 1);
    EXPECT_EQ(corrupt.Errors(), std::vector<int32_t>{ZL_ERR_DAMAGED});
    EXPECT_EQ(Contents(Out("corrupt.bin")), "good old bytes");

    CreateDirectoryA(Out("data").c_str(), nullptr);
    WriteText(Out("data\\big.bin"), "good old bytes");
    Job cancelled(Fixture("infozip_stored.zip"), Out());
    bool inBig = false;
    cancelled.answer = [&](ZlCallbackRecord& record) -> int32_t {
        if (record.kindOrReply == ZL_REPORT_ENTRY_START)
            inBig = record.area.report.size == 2700000u;
        return inBig && record.kindOrReply == ZL_REPORT_BYTES_DONE ? 1 : 0;
    };
    EXPECT_EQ(cancelled.Run(), ZL_STATUS_CANCELLED);
    EXPECT_EQ(Contents(Out("data\\big.bin")), "good old bytes");
    ExpectNoTemporaryFiles(Out());

    // A good entry does replace it, read-only or not, and takes the entry's time.
    SetFileAttributesA(Out("data\\big.bin").c_str(), FILE_ATTRIBUTE_READONLY);
    Job good(Fixture("infozip_stored.zip"), Out());
    EXPECT_EQ(good.Run(), 4);
    EXPECT_EQ(Contents(Out("data\\big.bin")), Contents(Fixture("payload\\data\\big.bin")));
    ExpectNoTemporaryFiles(Out());
}

// Entries of several blocks are written while the next block is decoded; a failure found
// late still comes after the progress of the data before it, removes the partial file, keeps
// the file it would have replaced, and the job goes on.
TEST_F(ZipLibTest, LateFailuresInLargeEntriesAreReportedInOrder) {
    constexpr uint64_t kSize = 450 * 8000;
    WriteText(Out("big.bin"), "good old bytes");
    Job damaged(Fixture("late_damage.zip"), Out());
    EXPECT_EQ(damaged.Run(), 1);
    EXPECT_EQ(damaged.Errors(), std::vector<int32_t>{ZL_ERR_DAMAGED});
    EXPECT_EQ(Contents(Out("big.bin")), "good old bytes");
    EXPECT_EQ(Contents(Out("after.txt")), "after");
    ExpectNoTemporaryFiles(Out());
    // Order: start, the steps of the 2.5 MB decoded, the message, the skip, the next entry.
    std::vector<int> kinds;
    uint64_t done = 0;
    bool inBig = false;
    for (const Report& r : damaged.reports) {
        if (r.kind == ZL_REPORT_ENTRY_START) inBig = r.size == kSize;
        if (!inBig) continue;
        if (kinds.empty() || kinds.back() != r.kind) kinds.push_back(r.kind);
        if (r.kind == ZL_REPORT_BYTES_DONE) done += r.size;
    }
    EXPECT_EQ(kinds,
              (std::vector<int>{ZL_REPORT_ENTRY_START, ZL_REPORT_BYTES_DONE, ZL_REPORT_MESSAGE,
                                ZL_REPORT_SKIPPED, ZL_REPORT_NEW_EXTRACT_NAME}));
    EXPECT_EQ(done, 2u << 20) << "every whole chunk decoded before the damage, no more";

    Job crc(Fixture("crc_big.zip"), Out());
    EXPECT_EQ(crc.Run(), 1);
    EXPECT_EQ(crc.Errors(), std::vector<int32_t>{ZL_ERR_CRC});
    const auto mismatch = crc.Of(ZL_REPORT_CRC_ERROR);
    ASSERT_EQ(mismatch.size(), 1u);
    EXPECT_EQ(static_cast<uint32_t>(mismatch[0].number) ^ 0xFF,
              static_cast<uint32_t>(mismatch[0].number2));
    EXPECT_EQ(Contents(Out("big.bin")), "good old bytes");
    ExpectNoTemporaryFiles(Out());

    // Accepted, the data is complete and exact.
    Job accepted(Fixture("crc_big.zip"), Out());
    accepted.answer = [](ZlCallbackRecord& record) -> int32_t {
        if (record.kindOrReply == ZL_REPORT_CRC_ERROR) Reply(record, ZL_REPLY_YES);
        return 0;
    };
    EXPECT_EQ(accepted.Run(), 2);
    const std::string big = Contents(Out("big.bin"));
    ASSERT_EQ(big.size(), kSize);
    uint64_t done2 = 0;
    for (const Report& r : accepted.Of(ZL_REPORT_BYTES_DONE)) done2 += r.size;
    EXPECT_EQ(done2, kSize + 5);
    EXPECT_EQ(big.substr(3000, 5000), std::string(5000, 'B'));
    EXPECT_EQ(big.substr(kSize - 5000), std::string(5000, 'B'));
}

// Runs the helper that dies while it writes the entry of `size` bytes; its exit code.
DWORD RunDyingExtraction(const std::string& archive, const std::string& destination,
                         uint64_t size) {
    std::string command = "\"" + FromEnvironment("ZIPLIB_KILL_HELPER") + "\" \"" +
                          FromEnvironment("ZIPLIB_DLL") + "\" \"" + archive + "\" \"" +
                          destination + "\" " + std::to_string(size);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        ADD_FAILURE() << "cannot start " << command;
        return 0;
    }
    WaitForSingleObject(process.hProcess, 60000);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

TEST_F(ZipLibTest, KilledExtractionLeavesNoPartlyWrittenFile) {
    // The process dies while the big entry is written: once as a new file, once replacing
    // an older one. Every file under its final name is then complete (or the older one), and
    // no temporary file is left.
    for (const bool existing : {false, true}) {
        RemoveTree(Out());
        CreateDirectoryA(Out().c_str(), nullptr);
        if (existing) {
            CreateDirectoryA(Out("data").c_str(), nullptr);
            WriteText(Out("data\\big.bin"), "previous");
        }
        EXPECT_EQ(RunDyingExtraction(Fixture("infozip_stored.zip"), Out(), 2700000), 9u);
        for (const std::string& entry : Tree(Out())) {
            if (entry.back() == '\\') continue;
            EXPECT_EQ(entry.find("~zl"), std::string::npos) << entry;
            if (entry == "data\\big.bin") {
                EXPECT_TRUE(existing) << "a partly written file under its final name";
                EXPECT_EQ(Contents(Out(entry)), "previous");
            } else {
                EXPECT_EQ(Contents(Out(entry)), Contents(Fixture("payload\\" + entry))) << entry;
            }
        }
        EXPECT_EQ(Exists(Out("data\\big.bin")), existing);
    }
}

// ---- Report order ----------------------------------------------------------------------

TEST_F(ZipLibTest, OverwriteQuestionComesBeforeThePasswordRequest) {
    WriteText(Out("readme.txt"), "mine");
    CreateDirectoryA(Out("Sub").c_str(), nullptr);
    CreateDirectoryA(Out("Sub\\Deep").c_str(), nullptr);
    WriteText(Out("Sub\\Deep\\file.TXT"), "mine too");
    Job job(Fixture("infozip_crypt.zip"), Out());
    job.command.overwrite = ZL_FALSE;
    job.command.passwordRequestCount = 1;
    // Keep readme.txt, replace file.TXT; no password is given, so every encrypted entry
    // that is not skipped asks for one.
    job.answer = [](ZlCallbackRecord& record) -> int32_t {
        if (record.kindOrReply == ZL_REPORT_OVERWRITE)
            Reply(record, std::strstr(record.text, "readme") ? ZL_REPLY_NO : ZL_REPLY_YES);
        if (record.kindOrReply == ZL_REPORT_PASSWORD) Reply(record, ZL_REPLY_NO);
        return 0;
    };
    job.Run();
    auto position = [&](int kind, const char* name) {
        for (size_t i = 0; i < job.reports.size(); ++i)
            if (job.reports[i].kind == kind && job.reports[i].text.find(name) != std::string::npos)
                return static_cast<int>(i);
        return -1;
    };
    EXPECT_GE(position(ZL_REPORT_OVERWRITE, "readme.txt"), 0);
    EXPECT_EQ(position(ZL_REPORT_PASSWORD, "readme.txt"), -1) << "asked for a skipped file";
    EXPECT_GE(position(ZL_REPORT_OVERWRITE, "file.TXT"), 0);
    EXPECT_GT(position(ZL_REPORT_PASSWORD, "file.TXT"), position(ZL_REPORT_OVERWRITE, "file.TXT"));
    EXPECT_EQ(Contents(Out("readme.txt")), "mine");
    EXPECT_EQ(Contents(Out("Sub\\Deep\\file.TXT")), "mine too");  // no password, kept
}

// ---- Unsafe names ----------------------------------------------------------------------

TEST_F(ZipLibTest, UnsafeNamesAreRefusedAndNothingLandsOutside) {
    Job job(Fixture("unsafe.zip"), Out());
    EXPECT_EQ(job.Run(), 2);
    const std::vector<int32_t> errors = job.Errors();
    EXPECT_EQ(errors, std::vector<int32_t>(15, ZL_ERR_UNSAFE_NAME));
    EXPECT_EQ(job.Of(ZL_REPORT_SKIPPED).size(), 15u);
    EXPECT_EQ(Tree(sandbox_), (std::vector<std::string>{"out\\", "out\\safe.txt", "out\\sub\\",
                                                        "out\\sub\\ok.txt"}));
    for (const char* outside :
         {"Z:\\evil3.txt", "Z:\\evil4.txt", "C:\\evil5.txt", "C:\\evil6.txt", "Z:\\evil9.txt"})
        EXPECT_FALSE(Exists(outside)) << outside;
    EXPECT_FALSE(Exists(Fixtures() + "\\evil1.txt"));
    EXPECT_FALSE(Exists(FromEnvironment("ZIPLIB_SCRATCH") + "\\evil1.txt"));
}

// A later entry whose name differs only in case from a file the job wrote would land on it:
// it is not written, and says so with both names; entries of the folder named otherwise are.
TEST_F(ZipLibTest, NamesDifferingOnlyInCaseDoNotOverwriteEachOther) {
    Job job(Fixture("caseclash.zip"), Out());
    EXPECT_EQ(job.Run(), 3);
    EXPECT_EQ(Contents(Out("Readme.txt")), "first");
    EXPECT_EQ(Contents(Out("Sub\\a.txt")), "first a");
    EXPECT_EQ(Contents(Out("Sub\\b.txt")), "b");
    EXPECT_EQ(Tree(Out()),
              (std::vector<std::string>{"Readme.txt", "Sub\\", "Sub\\a.txt", "Sub\\b.txt"}));
    EXPECT_EQ(job.Errors(), (std::vector<int32_t>{ZL_ERR_NAME_CLASH, ZL_ERR_NAME_CLASH}));
    std::vector<std::string> texts, skipped;
    for (const Report& r : job.Of(ZL_REPORT_MESSAGE)) texts.push_back(r.text);
    for (const Report& r : job.Of(ZL_REPORT_SKIPPED)) {
        EXPECT_EQ(r.number, ZL_ERR_NAME_CLASH);
        EXPECT_EQ(r.number2, ZL_SKIP_NAME_CLASH + 1);
        skipped.push_back(r.text);
    }
    EXPECT_EQ(skipped, (std::vector<std::string>{"README.TXT", "SUB\\A.txt"}));
    EXPECT_EQ(texts, (std::vector<std::string>{
                         "Not written: README.TXT differs only in case from Readme.txt, written "
                         "before it",
                         "Not written: SUB\\A.txt differs only in case from Sub\\a.txt, written "
                         "before it"}));
    // Testing writes nothing, so nothing clashes.
    Job test(Fixture("caseclash.zip"), Out());
    test.command.test = ZL_TRUE;
    EXPECT_EQ(test.Run(), 5);
}

TEST_F(ZipLibTest, NameOfferMayRenameButNotEscape) {
    Job job(Fixture("infozip.zip"), Out());
    job.specs = {"readme.txt", "Sub\\Deep\\file.TXT"};
    job.answer = [](ZlCallbackRecord& record) -> int32_t {
        if (record.kindOrReply != ZL_REPORT_NEW_EXTRACT_NAME) return 0;
        if (std::strcmp(record.text, "readme.txt") == 0)
            Reply(record, ZL_REPLY_YES, "renamed\\readme.txt");
        else
            Reply(record, ZL_REPLY_YES, "..\\..\\escaped.txt");
        return 0;
    };
    EXPECT_EQ(job.Run(), 1);
    EXPECT_EQ(job.Errors(), std::vector<int32_t>{ZL_ERR_UNSAFE_NAME});
    EXPECT_EQ(Tree(sandbox_),
              (std::vector<std::string>{"out\\", "out\\renamed\\", "out\\renamed\\readme.txt"}));
}

TEST_F(ZipLibTest, NamesAreConvertedToTheAnsiCodePage) {
    Job job(Fixture("names.zip"), Out());
    EXPECT_EQ(job.Run(), 3);
    // Fullwidth "../" has no ANSI form and must not become a real one.
    EXPECT_EQ(Contents(Out("___escape.txt")), "fullwidth");
    EXPECT_FALSE(Exists(sandbox_ + "\\escape.txt"));
    EXPECT_EQ(Contents(Out("Кириллица.txt")), "utf8");  // UTF-8 flagged
    EXPECT_EQ(Contents(Out("Ящик8801.txt")), "oem");    // code page 866 from a DOS host
    const auto starts = job.Of(ZL_REPORT_ENTRY_START);
    ASSERT_EQ(starts.size(), 3u);
    EXPECT_EQ(starts[0].text, "Кириллица.txt");

    Job unix(Fixture("unix_names.zip"), Out());
    EXPECT_EQ(unix.Run(), 2);
    EXPECT_EQ(Contents(Out("Дракон.txt")), "unix utf8");
    EXPECT_EQ(Contents(Out("Замок.txt")), "ansi");
}

}  // namespace
