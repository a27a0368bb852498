// A scripted zip library for the component's tests (see fakezip.h).
#include "fakezip.h"

#include <cstring>
#include <vector>

#ifndef FAKE_VERSION
#define FAKE_VERSION 179
#endif

namespace {

struct FakeState {
    std::vector<FakeReport> script;
    // -100: answer the number of entry starts; -101: the same, and go on after a callback
    // asked to stop.
    int32_t result = -100;
    FakeCall call{};
    std::vector<FakeReply> replies;
};

FakeState& State() {
    static FakeState state;
    return state;
}

void CopyText(char* to, size_t size, const char* from) {
    std::strncpy(to, from ? from : "<null>", size - 1);
    to[size - 1] = '\0';
}

}  // namespace

extern "C" {

__declspec(dllexport) void ZL_CALL
    Fake_SetScript(const FakeReport* reports, int32_t count, int32_t result) {
    State().script.assign(reports, reports + count);
    State().result = result;
    State().replies.clear();
}

__declspec(dllexport) const FakeCall* ZL_CALL Fake_LastCall(void) {
    return &State().call;
}

__declspec(dllexport) const FakeReply* ZL_CALL Fake_Replies(int32_t* count) {
    *count = static_cast<int32_t>(State().replies.size());
    return State().replies.data();
}

__declspec(dllexport) int32_t ZL_CALL ZL_UnzExec(const ZlCommand* command) {
    FakeState& state = State();
    FakeCall& call = state.call;
    std::memcpy(call.command, command, sizeof call.command);
    CopyText(call.password, sizeof call.password, command->password);
    CopyText(call.archive, sizeof call.archive, command->archivePath);
    CopyText(call.destination, sizeof call.destination, command->destination);
    call.specCount = command->fileSpecCount;
    for (int i = 0; i < command->fileSpecCount && i < 4; ++i)
        CopyText(call.specs[i], sizeof call.specs[i], command->fileSpecs[i].pattern);
    ++call.calls;
    state.replies.clear();
    int32_t starts = 0;
    for (const FakeReport& report : state.script) {
        if (report.kind == FAKE_STEP_FAULT) {
            *reinterpret_cast<volatile int32_t*>(static_cast<uintptr_t>(report.size)) = 1;
            continue;
        }
        ZlCallbackRecord record{};
        record.kindOrReply = report.kind;
        record.number = report.number;
        record.text = report.text;
        record.area.report.size = report.size;
        record.area.report.data = report.data;
        record.area.report.number2 = report.number2;
        record.area.report.number3 = report.number3;
        const int32_t result = command->callback(command->caller, &record);
        FakeReply reply{};
        reply.result = result;
        reply.kindOrReply = record.kindOrReply;
        reply.number = record.number;
        reply.size = record.area.report.size;
        reply.data = record.area.report.data;
        std::memcpy(reply.replyText, record.area.replyText, sizeof reply.replyText);
        state.replies.push_back(reply);
        if (report.kind == ZL_REPORT_ENTRY_START) ++starts;
        if (state.result == -101) continue;
        if (result == 1) return ZL_STATUS_CANCELLED;
        if (result != 0) return ZL_STATUS_HANDLER_EXCEPTION;
    }
    return state.result <= -100 ? starts : state.result;
}

__declspec(dllexport) int32_t ZL_CALL ZL_ZipExec(const void*) {
    return ZL_STATUS_INVALID_STRUCTURE;
}
__declspec(dllexport) int32_t ZL_CALL ZL_Version(void) {
    return FAKE_VERSION;
}
__declspec(dllexport) int32_t ZL_CALL ZL_PrivVersion(void) {
    return 42;
}
__declspec(dllexport) int32_t ZL_CALL ZL_Abort(int32_t job) {
    ++State().call.aborts;
    State().call.abortedJob = job;
    return 0;
}
#ifndef FAKE_OMIT_PATH
__declspec(dllexport) const char* ZL_CALL ZL_Path(void) {
    return "fake:ZipLib179.dll";
}
#endif
}
