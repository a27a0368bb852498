// The test stand-in for the zip library: records the command record it receives and
// plays a script of callback reports, keeping each reply. Built in several variants
// (versions 178, 179, 301, and one without ZL_Path) under the name ZipLib179.dll.
#pragma once

#include <cstdint>

#include "ziplib179.h"

extern "C" {

// A script step that is no report: the library faults there, writing to the address given
// as `size` (an access violation for a small number).
#define FAKE_STEP_FAULT 100

// One scripted report.
struct FakeReport {
    int32_t kind;
    int32_t number;
    int32_t number2;
    int32_t number3;
    uint64_t size;
    const char* text;
    const void* data;
};

// What the callback left in the record, and what it returned.
struct FakeReply {
    int32_t result;
    int32_t kindOrReply;
    int32_t number;
    uint64_t size;
    const void* data;
    char replyText[ZL_REPLY_TEXT_SIZE];
};

// What ZL_UnzExec saw.
struct FakeCall {
    uint8_t command[ZL_COMMAND_RECORD_SIZE];
    char password[128];
    char archive[512];
    char destination[512];
    int32_t specCount;
    char specs[4][64];
    int32_t calls;
    int32_t aborts;
    int32_t abortedJob;
};

typedef void(ZL_CALL* FakeSetScriptFn)(const FakeReport* reports, int32_t count, int32_t result);
typedef const FakeCall*(ZL_CALL* FakeLastCallFn)(void);
typedef const FakeReply*(ZL_CALL* FakeRepliesFn)(int32_t* count);
}
