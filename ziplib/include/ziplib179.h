/*
 * ziplib179.h — the plain C interface of the zip library "ZipLib179.dll".
 *
 * A 32-bit Windows DLL whose six entries use the standard calling convention and are
 * exported without decoration. The caller fills a 152-byte command record and hands it to
 * ZL_UnzExec; the library extracts the archive named there and reports every step through
 * the callback of the record, on the caller's thread, inside that call.
 *
 * The record layouts below are binary contracts: every offset is checked at compile time
 * on 32-bit targets. On other targets (the native fuzzing build) the header still compiles,
 * but the layout checks are skipped because pointers are wider there.
 */
#ifndef ZIPLIB179_H
#define ZIPLIB179_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define ZL_CALL __stdcall
#else
#define ZL_CALL
#endif

#ifdef __cplusplus
#define ZL_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
extern "C" {
#else
#define ZL_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

/* ---- Constants --------------------------------------------------------------------- */

#define ZL_INTERFACE_VERSION 179   /* command record offset 8 and ZL_Version() */
#define ZL_PRIVATE_VERSION 1790802 /* ZL_PrivVersion(): build 1.79.08.02 */
#define ZL_TRUE (-1)               /* flags in the command record */
#define ZL_FALSE 0
#define ZL_COMMAND_RECORD_SIZE 152
#define ZL_COMMAND_END_MARKER 7 /* command record offset 148 */
#define ZL_FILE_SPEC_SIZE 32
#define ZL_REPLY_TEXT_SIZE 512
#define ZL_CALLBACK_RECORD_SIZE (24 + ZL_REPLY_TEXT_SIZE)
#define ZL_REPORT_KIND_MASK 0x3F /* kind lives in the low 6 bits of callback offset 12 */

/* A job reports, in this order: 18 (job handle), 5 (file entries selected), 6 (their total
   size), then per file entry 17 (name offer; the reply may rename it within the destination),
   10 when the file exists and overwriting was not asked, 8 when a password is needed, 1 (name
   and size), 2 (steps adding up to the size), 9 on a CRC mismatch; an entry that fails sends 4
   (code and text) and 11 (reason), one that is skipped only 11. A job that runs to its end, or
   is stopped by the callback's result or ZL_Abort (then 4 with ZL_ERR_STOPPED first), sends 3.
   Folder entries create their folders silently. Password requests: per entry, at most the
   command's request count; the callback's reply number lowers the remaining count; -2 skips
   the entry, -3 every further encrypted entry; an accepted password is kept for the job. */

/* Report kinds (callback record offset 12, low 6 bits). */
enum ZlReportKind {
    ZL_REPORT_IDLE = 0,
    ZL_REPORT_ENTRY_START = 1,       /* text = entry name, size = entry's uncompressed size */
    ZL_REPORT_BYTES_DONE = 2,        /* size = bytes just done (at most ZL_PROGRESS_CHUNK) */
    ZL_REPORT_BATCH_END = 3,         /* end of the job */
    ZL_REPORT_MESSAGE = 4,           /* number = code (low byte: ZlEntryError), text */
    ZL_REPORT_ENTRY_COUNT = 5,       /* number = entries to process */
    ZL_REPORT_TOTAL_BYTES = 6,       /* size = bytes to process */
    ZL_REPORT_NEW_ADD_NAME = 7,      /* add operations only */
    ZL_REPORT_PASSWORD = 8,          /* number = repeat count, text = entry name */
    ZL_REPORT_CRC_ERROR = 9,         /* number = found CRC, number2 = expected CRC, text = name */
    ZL_REPORT_OVERWRITE = 10,        /* number != 0: overwrite by default; number2 = entry index;
                                        number3 = ZL_AGE_NOT_OLDER when the file is not older */
    ZL_REPORT_SKIPPED = 11,          /* number = entry error code, number2 = ZlSkipReason + 1 */
    ZL_REPORT_COMMENT = 12,          /* add operations only */
    ZL_REPORT_MEMORY_SIZE = 13,      /* memory variants only (not supported) */
    ZL_REPORT_EXTRA_DATA = 14,       /* add operations only */
    ZL_REPORT_PHASE_START = 15,      /* number = phase, size, text */
    ZL_REPORT_PHASE_STEP = 16,       /* size = step */
    ZL_REPORT_NEW_EXTRACT_NAME = 17, /* text = entry name as it will be written */
    ZL_REPORT_JOB_HANDLE = 18        /* number = job handle for ZL_Abort */
};

/* Reply codes the callback may write to offset 12. Any other value there means "no reply":
   the library then follows its default. */
enum ZlReply {
    ZL_REPLY_YES = -1,   /* yes, or the reply text holds a changed value */
    ZL_REPLY_NO = -2,    /* no, or skip this one */
    ZL_REPLY_NO_ALL = -3 /* skip everything further of this kind */
};

/* Negative results of ZL_UnzExec / ZL_ZipExec. */
enum ZlStatus {
    ZL_STATUS_CANCELLED = -1,         /* the callback returned 1 (user cancelled) */
    ZL_STATUS_ABORTED = -2,           /* ZL_Abort was called for the job */
    ZL_STATUS_HANDLER_EXCEPTION = -3, /* the callback returned another non-zero value */
    ZL_STATUS_NO_MEMORY = -4,
    ZL_STATUS_INVALID_STRUCTURE = -5 /* bad command record, unreadable archive, or a request
                                        this library does not offer (adding, memory) */
};

/* Entry error codes: the low byte of the code of report kind 4 (and the first number of
   report kind 11). The text of each report names the entry and, for system failures, the
   system's own reason. */
enum ZlEntryError {
    ZL_ERR_NONE = 0,
    ZL_ERR_UNSAFE_NAME = 1,        /* "..", absolute path, drive, UNC, colon, device name */
    ZL_ERR_UNSUPPORTED_METHOD = 2, /* compression method other than stored (0) or deflate (8) */
    ZL_ERR_PASSWORD = 3,           /* encrypted entry: no password or a wrong one */
    ZL_ERR_CRC = 4,                /* data does not match its CRC-32 */
    ZL_ERR_WRITE = 5,              /* file or folder cannot be created or written */
    ZL_ERR_DAMAGED = 6,            /* local header, sizes or compressed data are broken */
    ZL_ERR_READ = 7,               /* the archive cannot be opened or read */
    ZL_ERR_UNSUPPORTED = 8,        /* feature not supported (adding, memory, strong encryption) */
    ZL_ERR_STOPPED = 9             /* the job was stopped by the callback or ZL_Abort */
};
/* Diagnostics sent only with the verbose or trace flag (for instance shifted archive offsets)
   carry code 0, so they never count as an error. */

/* Reasons of report kind 11 (sent as reason + 1). */
enum ZlSkipReason {
    ZL_SKIP_EXISTS = 0,      /* file exists and is not overwritten */
    ZL_SKIP_NOT_PRESENT = 1, /* freshen: no file to replace */
    ZL_SKIP_NOT_NEWER = 2,   /* update/freshen: the existing file is not older */
    ZL_SKIP_UNSAFE_NAME = 3,
    ZL_SKIP_UNSUPPORTED = 4, /* method or encryption not supported */
    ZL_SKIP_PASSWORD = 5,    /* no usable password */
    ZL_SKIP_BAD_DATA = 6,    /* damaged entry or CRC mismatch not accepted */
    ZL_SKIP_WRITE_ERROR = 7
};

#define ZL_AGE_NOT_OLDER 2           /* report kind 10, third number */
#define ZL_PROGRESS_CHUNK (1u << 20) /* largest step of report kind 2 */

/* ---- Records --------------------------------------------------------------------------- */

#pragma pack(push, 4)

/* One element of the file specification array (32 bytes). */
typedef struct ZlFileSpec {
    const char* pattern; /* name or wildcard ("*", "?"; "\" and "/" alike; case-insensitive) */
    uint8_t reserved[28];
} ZlFileSpec;

struct ZlCallbackRecord;
typedef int32_t(ZL_CALL* ZlCallback)(void* caller, struct ZlCallbackRecord* rec);

/* The command record of ZL_UnzExec (152 bytes). Flags are ZL_TRUE / ZL_FALSE. */
typedef struct ZlCommand {
    void* window;                   /*   0 window for the library's dialogs (unused) */
    void* caller;                   /*   4 passed back as the callback's first argument */
    int32_t version;                /*   8 ZL_INTERFACE_VERSION */
    ZlCallback callback;            /*  12 */
    int32_t trace;                  /*  16 */
    int32_t reserved20[2];          /*  20 */
    const char* password;           /*  28 may be 0 or empty */
    int32_t test;                   /*  32 test only, write nothing */
    int32_t reserved36;             /*  36 */
    int32_t reserved40;             /*  40 */
    int32_t reserved44;             /*  44 -1 */
    int32_t verbose;                /*  48 */
    int32_t update;                 /*  52 */
    int32_t freshen;                /*  56 */
    int32_t directoryNames;         /*  60 */
    int32_t overwrite;              /*  64 */
    int32_t fileSpecCount;          /*  68 0 = all entries */
    const char* archivePath;        /*  72 */
    const ZlFileSpec* fileSpecs;    /*  76 */
    int32_t reserved80;             /*  80 */
    int32_t memoryTarget;           /*  84 memory variants: not supported, must be 0 */
    void* memoryTargetBuffer;       /*  88 */
    int32_t memoryTargetSize;       /*  92 */
    int32_t memorySource;           /*  96 */
    const void* memorySourceBuffer; /* 100 */
    int32_t memorySourceSize;       /* 104 */
    int32_t passwordRequestCount;   /* 108 how often the library may ask for a password */
    const char* destination;        /* 112 absolute, ends in a separator; 0 when testing */
    int32_t reserved116[8];         /* 116 */
    int32_t endMarker;              /* 148 ZL_COMMAND_END_MARKER */
} ZlCommand;

/* Offsets 24..51 as the library fills them. */
typedef struct ZlReportFields {
    uint64_t size;    /* 24 meaning by kind */
    uint64_t written; /* 32 add operations only */
    const void* data; /* 40 further data; the reply may point to long data here */
    int32_t number2;  /* 44 second number */
    int32_t number3;  /* 48 third number */
} ZlReportFields;

/* From offset 24 on, the reply text overlaps the report fields. */
typedef union ZlCallbackArea {
    ZlReportFields report;
    char replyText[ZL_REPLY_TEXT_SIZE];
} ZlCallbackArea;

/* The block handed to the callback. */
typedef struct ZlCallbackRecord {
    int32_t reserved0;   /*  0 */
    int32_t reserved4;   /*  4 */
    int32_t isAdd;       /*  8 non-zero for add operations; 0 while extracting */
    int32_t kindOrReply; /* 12 in: report kind; out: ZlReply */
    int32_t number;      /* 16 first number; out: repeat count or text length */
    const char* text;    /* 20 entry name or message */
    ZlCallbackArea area; /* 24 */
} ZlCallbackRecord;

#pragma pack(pop)

#if UINTPTR_MAX == 0xFFFFFFFFu
ZL_STATIC_ASSERT(sizeof(ZlFileSpec) == ZL_FILE_SPEC_SIZE, "file pattern size");
ZL_STATIC_ASSERT(sizeof(ZlCommand) == ZL_COMMAND_RECORD_SIZE, "command record size");
ZL_STATIC_ASSERT(offsetof(ZlCommand, window) == 0, "window");
ZL_STATIC_ASSERT(offsetof(ZlCommand, caller) == 4, "caller");
ZL_STATIC_ASSERT(offsetof(ZlCommand, version) == 8, "version");
ZL_STATIC_ASSERT(offsetof(ZlCommand, callback) == 12, "callback");
ZL_STATIC_ASSERT(offsetof(ZlCommand, trace) == 16, "trace");
ZL_STATIC_ASSERT(offsetof(ZlCommand, reserved20) == 20, "reserved20");
ZL_STATIC_ASSERT(offsetof(ZlCommand, password) == 28, "password");
ZL_STATIC_ASSERT(offsetof(ZlCommand, test) == 32, "test");
ZL_STATIC_ASSERT(offsetof(ZlCommand, reserved36) == 36, "reserved36");
ZL_STATIC_ASSERT(offsetof(ZlCommand, reserved40) == 40, "reserved40");
ZL_STATIC_ASSERT(offsetof(ZlCommand, reserved44) == 44, "reserved44");
ZL_STATIC_ASSERT(offsetof(ZlCommand, verbose) == 48, "verbose");
ZL_STATIC_ASSERT(offsetof(ZlCommand, update) == 52, "update");
ZL_STATIC_ASSERT(offsetof(ZlCommand, freshen) == 56, "freshen");
ZL_STATIC_ASSERT(offsetof(ZlCommand, directoryNames) == 60, "directoryNames");
ZL_STATIC_ASSERT(offsetof(ZlCommand, overwrite) == 64, "overwrite");
ZL_STATIC_ASSERT(offsetof(ZlCommand, fileSpecCount) == 68, "fileSpecCount");
ZL_STATIC_ASSERT(offsetof(ZlCommand, archivePath) == 72, "archivePath");
ZL_STATIC_ASSERT(offsetof(ZlCommand, fileSpecs) == 76, "fileSpecs");
ZL_STATIC_ASSERT(offsetof(ZlCommand, reserved80) == 80, "reserved80");
ZL_STATIC_ASSERT(offsetof(ZlCommand, memoryTarget) == 84, "memoryTarget");
ZL_STATIC_ASSERT(offsetof(ZlCommand, memoryTargetBuffer) == 88, "memoryTargetBuffer");
ZL_STATIC_ASSERT(offsetof(ZlCommand, memoryTargetSize) == 92, "memoryTargetSize");
ZL_STATIC_ASSERT(offsetof(ZlCommand, memorySource) == 96, "memorySource");
ZL_STATIC_ASSERT(offsetof(ZlCommand, memorySourceBuffer) == 100, "memorySourceBuffer");
ZL_STATIC_ASSERT(offsetof(ZlCommand, memorySourceSize) == 104, "memorySourceSize");
ZL_STATIC_ASSERT(offsetof(ZlCommand, passwordRequestCount) == 108, "passwordRequestCount");
ZL_STATIC_ASSERT(offsetof(ZlCommand, destination) == 112, "destination");
ZL_STATIC_ASSERT(offsetof(ZlCommand, reserved116) == 116, "reserved116");
ZL_STATIC_ASSERT(offsetof(ZlCommand, endMarker) == 148, "endMarker");

ZL_STATIC_ASSERT(sizeof(ZlReportFields) == 28, "report fields size");
ZL_STATIC_ASSERT(sizeof(ZlCallbackArea) == ZL_REPLY_TEXT_SIZE, "callback area size");
ZL_STATIC_ASSERT(sizeof(ZlCallbackRecord) == ZL_CALLBACK_RECORD_SIZE, "callback record size");
ZL_STATIC_ASSERT(offsetof(ZlCallbackRecord, isAdd) == 8, "isAdd");
ZL_STATIC_ASSERT(offsetof(ZlCallbackRecord, kindOrReply) == 12, "kindOrReply");
ZL_STATIC_ASSERT(offsetof(ZlCallbackRecord, number) == 16, "number");
ZL_STATIC_ASSERT(offsetof(ZlCallbackRecord, text) == 20, "text");
ZL_STATIC_ASSERT(offsetof(ZlCallbackRecord, area) == 24, "area");
ZL_STATIC_ASSERT(offsetof(ZlCallbackRecord, area.replyText) == 24, "replyText");
ZL_STATIC_ASSERT(offsetof(ZlCallbackRecord, area.report.size) == 24, "size");
ZL_STATIC_ASSERT(offsetof(ZlCallbackRecord, area.report.written) == 32, "written");
ZL_STATIC_ASSERT(offsetof(ZlCallbackRecord, area.report.data) == 40, "data");
ZL_STATIC_ASSERT(offsetof(ZlCallbackRecord, area.report.number2) == 44, "number2");
ZL_STATIC_ASSERT(offsetof(ZlCallbackRecord, area.report.number3) == 48, "number3");
#endif

/* ---- Entries ----------------------------------------------------------------------------- */

/* Runs one extract job; returns the number of file entries extracted (or, when testing,
   found sound), or a negative ZlStatus. */
int32_t ZL_CALL ZL_UnzExec(const ZlCommand* command);
/* Adding to archives is not supported: always returns a negative status. */
int32_t ZL_CALL ZL_ZipExec(const void* command);
/* ZL_INTERFACE_VERSION. */
int32_t ZL_CALL ZL_Version(void);
/* ZL_PRIVATE_VERSION. */
int32_t ZL_CALL ZL_PrivVersion(void);
/* Asks the job with this handle (report kind 18) to stop; returns 0 when it was running. */
int32_t ZL_CALL ZL_Abort(int32_t job);
/* Full path of the loaded library file. */
const char* ZL_CALL ZL_Path(void);

/* Function pointer types for callers that load the library at run time. */
typedef int32_t(ZL_CALL* ZlUnzExecFn)(const ZlCommand*);
typedef int32_t(ZL_CALL* ZlZipExecFn)(const void*);
typedef int32_t(ZL_CALL* ZlVersionFn)(void);
typedef int32_t(ZL_CALL* ZlPrivVersionFn)(void);
typedef int32_t(ZL_CALL* ZlAbortFn)(int32_t);
typedef const char*(ZL_CALL* ZlPathFn)(void);

#ifdef __cplusplus
}
#endif

#endif /* ZIPLIB179_H */
