/*
 * ziplib179.h — the plain C interface of the zip library "ZipLib179.dll".
 *
 * A 64-bit Windows DLL whose six entries use the platform's calling convention and are
 * exported without decoration. The caller fills a command record (200 bytes) and hands it
 * to ZL_UnzExec; the library extracts the archive named there and reports every step through
 * the callback of the record, on the caller's thread, inside that call.
 *
 * The record layouts below are binary contracts: every offset is checked at compile time.
 * The fields, their order and their meaning are those of the original 32-bit interface
 * (152-byte command record, 536-byte callback record); on 64-bit targets (the Windows build
 * and the native fuzzing build) they take the natural 64-bit layout. Each field's comment
 * gives its 64-bit offset first and its 32-bit offset second.
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
#define ZL_COMMAND_END_MARKER 7 /* the command record's last field */
#define ZL_REPLY_TEXT_SIZE 512
#if UINTPTR_MAX == 0xFFFFFFFFu
#define ZL_COMMAND_RECORD_SIZE 152
#define ZL_FILE_SPEC_SIZE 32
#define ZL_CALLBACK_AREA_OFFSET 24
#else
#define ZL_COMMAND_RECORD_SIZE 200
#define ZL_FILE_SPEC_SIZE 40
#define ZL_CALLBACK_AREA_OFFSET 32
#endif
#define ZL_CALLBACK_RECORD_SIZE (ZL_CALLBACK_AREA_OFFSET + ZL_REPLY_TEXT_SIZE)
#define ZL_REPORT_KIND_MASK 0x3F /* kind lives in the low 6 bits of callback offset 12 */

/* A job reports, in this order: 18 (job handle), 5 (file entries selected), 6 (their total
   size), then per file entry 17 (name offer; the reply may rename it within the destination),
   10 when the file exists and overwriting was not asked, 8 when a password is needed (never for
   an entry that the answer to 10, freshen or update skipped), 1 (name and size), 2 (steps
   adding up to the size), 9 on a CRC mismatch; an entry that fails sends 4 (code and text) and
   11 (reason), one that is skipped only 11. Every job whose handle was reported ends with 3:
   one that runs to its end, one stopped by the callback's result or ZL_Abort (then 4 with
   ZL_ERR_STOPPED first), and one that fails before its entries (unreadable archive, a
   destination that cannot be made, a request this library does not offer), which sends 4, then
   5 and 6 with 0, then 3. Folder entries create their folders silently. A file that replaces
   another is written under a temporary name in its folder and takes the final name only after
   its CRC has been checked, so that a failed entry keeps the file it would have replaced; a new
   file is written under its final name but vanishes unless the entry completes, also when the
   job crashes or is killed. Password requests: per entry, at most the command's request count;
   the callback's reply number lowers the remaining count; -2 skips the entry, -3 every further
   encrypted entry; an accepted password is kept for the job. */

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
    ZL_STATUS_INVALID_STRUCTURE = -5 /* bad command record, unreadable archive, a destination
                                        that cannot be made, or a request this library does
                                        not offer (adding, memory) */
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
    ZL_ERR_STOPPED = 9,            /* the job was stopped by the callback or ZL_Abort */
    ZL_ERR_NAME_CLASH = 10         /* the name differs only in case from a file this job wrote:
                                      Windows cannot keep the two apart; the text names both */
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
    ZL_SKIP_WRITE_ERROR = 7,
    ZL_SKIP_NAME_CLASH = 8 /* would land on a file of this job whose name differs in case */
};

#define ZL_AGE_NOT_OLDER 2           /* report kind 10, third number */
#define ZL_PROGRESS_CHUNK (1u << 20) /* largest step of report kind 2 */

/* ---- Records --------------------------------------------------------------------------- */

/* The 32-bit layout packs 64-bit numbers on 4-byte boundaries; 64-bit targets use the
   natural layout. */
#if UINTPTR_MAX == 0xFFFFFFFFu
#pragma pack(push, 4)
#endif

/* One element of the file specification array (40 bytes; 32 on 32-bit). */
typedef struct ZlFileSpec {
    const char* pattern; /* name or wildcard ("*", "?"; "\" and "/" alike; case-insensitive) */
    uint8_t reserved[28];
} ZlFileSpec;

struct ZlCallbackRecord;
typedef int32_t(ZL_CALL* ZlCallback)(void* caller, struct ZlCallbackRecord* rec);

/* The command record of ZL_UnzExec (200 bytes; 152 on 32-bit). Flags are ZL_TRUE / ZL_FALSE.
   Offsets: 64-bit, 32-bit. */
typedef struct ZlCommand {
    void* window;                   /*   0   0 window for the library's dialogs (unused) */
    void* caller;                   /*   8   4 passed back as the callback's first argument */
    int32_t version;                /*  16   8 ZL_INTERFACE_VERSION */
    ZlCallback callback;            /*  24  12 */
    int32_t trace;                  /*  32  16 */
    int32_t reserved20[2];          /*  36  20 */
    const char* password;           /*  48  28 may be 0 or empty */
    int32_t test;                   /*  56  32 test only, write nothing */
    int32_t reserved36;             /*  60  36 */
    int32_t reserved40;             /*  64  40 */
    int32_t reserved44;             /*  68  44 -1 */
    int32_t verbose;                /*  72  48 */
    int32_t update;                 /*  76  52 */
    int32_t freshen;                /*  80  56 */
    int32_t directoryNames;         /*  84  60 */
    int32_t overwrite;              /*  88  64 */
    int32_t fileSpecCount;          /*  92  68 0 = all entries */
    const char* archivePath;        /*  96  72 */
    const ZlFileSpec* fileSpecs;    /* 104  76 */
    int32_t reserved80;             /* 112  80 */
    int32_t memoryTarget;           /* 116  84 memory variants: not supported, must be 0 */
    void* memoryTargetBuffer;       /* 120  88 */
    int32_t memoryTargetSize;       /* 128  92 */
    int32_t memorySource;           /* 132  96 */
    const void* memorySourceBuffer; /* 136 100 */
    int32_t memorySourceSize;       /* 144 104 */
    int32_t passwordRequestCount;   /* 148 108 how often the library may ask for a password */
    const char* destination;        /* 152 112 absolute, ends in a separator; 0 when testing */
    int32_t threads;                /* 160 116 threads of the job: the caller's, which writes,
                                               and those that decode entries ahead of it;
                                               0 = one per processor core, 1 = the caller's
                                               alone. The reports are the same either way. */
    int32_t reserved120[7];         /* 164 120 */
    int32_t endMarker;              /* 192 148 ZL_COMMAND_END_MARKER */
} ZlCommand;

/* The report fields of the callback record as the library fills them (offsets from the
   start of the callback record: 64-bit, 32-bit). */
typedef struct ZlReportFields {
    uint64_t size;    /* 32 24 meaning by kind */
    uint64_t written; /* 40 32 add operations only */
    const void* data; /* 48 40 further data; the reply may point to long data here */
    int32_t number2;  /* 56 44 second number */
    int32_t number3;  /* 60 48 third number */
} ZlReportFields;

/* From the report fields on, the reply text overlaps them. */
typedef union ZlCallbackArea {
    ZlReportFields report;
    char replyText[ZL_REPLY_TEXT_SIZE];
} ZlCallbackArea;

/* The block handed to the callback (544 bytes; 536 on 32-bit). */
typedef struct ZlCallbackRecord {
    int32_t reserved0;   /*  0  0 */
    int32_t reserved4;   /*  4  4 */
    int32_t isAdd;       /*  8  8 non-zero for add operations; 0 while extracting */
    int32_t kindOrReply; /* 12 12 in: report kind; out: ZlReply */
    int32_t number;      /* 16 16 first number; out: repeat count or text length */
    const char* text;    /* 24 20 entry name or message */
    ZlCallbackArea area; /* 32 24 */
} ZlCallbackRecord;

#if UINTPTR_MAX == 0xFFFFFFFFu
#pragma pack(pop)
#define ZL_CHECK_OFFSET(type, field, offset64, offset32) \
    ZL_STATIC_ASSERT(offsetof(type, field) == (offset32), #field)
#else
#define ZL_CHECK_OFFSET(type, field, offset64, offset32) \
    ZL_STATIC_ASSERT(offsetof(type, field) == (offset64), #field)
#endif

ZL_STATIC_ASSERT(sizeof(ZlFileSpec) == ZL_FILE_SPEC_SIZE, "file pattern size");
ZL_STATIC_ASSERT(sizeof(ZlCommand) == ZL_COMMAND_RECORD_SIZE, "command record size");
ZL_CHECK_OFFSET(ZlCommand, window, 0, 0);
ZL_CHECK_OFFSET(ZlCommand, caller, 8, 4);
ZL_CHECK_OFFSET(ZlCommand, version, 16, 8);
ZL_CHECK_OFFSET(ZlCommand, callback, 24, 12);
ZL_CHECK_OFFSET(ZlCommand, trace, 32, 16);
ZL_CHECK_OFFSET(ZlCommand, reserved20, 36, 20);
ZL_CHECK_OFFSET(ZlCommand, password, 48, 28);
ZL_CHECK_OFFSET(ZlCommand, test, 56, 32);
ZL_CHECK_OFFSET(ZlCommand, reserved36, 60, 36);
ZL_CHECK_OFFSET(ZlCommand, reserved40, 64, 40);
ZL_CHECK_OFFSET(ZlCommand, reserved44, 68, 44);
ZL_CHECK_OFFSET(ZlCommand, verbose, 72, 48);
ZL_CHECK_OFFSET(ZlCommand, update, 76, 52);
ZL_CHECK_OFFSET(ZlCommand, freshen, 80, 56);
ZL_CHECK_OFFSET(ZlCommand, directoryNames, 84, 60);
ZL_CHECK_OFFSET(ZlCommand, overwrite, 88, 64);
ZL_CHECK_OFFSET(ZlCommand, fileSpecCount, 92, 68);
ZL_CHECK_OFFSET(ZlCommand, archivePath, 96, 72);
ZL_CHECK_OFFSET(ZlCommand, fileSpecs, 104, 76);
ZL_CHECK_OFFSET(ZlCommand, reserved80, 112, 80);
ZL_CHECK_OFFSET(ZlCommand, memoryTarget, 116, 84);
ZL_CHECK_OFFSET(ZlCommand, memoryTargetBuffer, 120, 88);
ZL_CHECK_OFFSET(ZlCommand, memoryTargetSize, 128, 92);
ZL_CHECK_OFFSET(ZlCommand, memorySource, 132, 96);
ZL_CHECK_OFFSET(ZlCommand, memorySourceBuffer, 136, 100);
ZL_CHECK_OFFSET(ZlCommand, memorySourceSize, 144, 104);
ZL_CHECK_OFFSET(ZlCommand, passwordRequestCount, 148, 108);
ZL_CHECK_OFFSET(ZlCommand, destination, 152, 112);
ZL_CHECK_OFFSET(ZlCommand, threads, 160, 116);
ZL_CHECK_OFFSET(ZlCommand, reserved120, 164, 120);
ZL_CHECK_OFFSET(ZlCommand, endMarker, 192, 148);

ZL_STATIC_ASSERT(sizeof(ZlReportFields) == (UINTPTR_MAX == 0xFFFFFFFFu ? 28 : 32),
                 "report fields size");
ZL_STATIC_ASSERT(sizeof(ZlCallbackArea) == ZL_REPLY_TEXT_SIZE, "callback area size");
ZL_STATIC_ASSERT(sizeof(ZlCallbackRecord) == ZL_CALLBACK_RECORD_SIZE, "callback record size");
ZL_CHECK_OFFSET(ZlCallbackRecord, isAdd, 8, 8);
ZL_CHECK_OFFSET(ZlCallbackRecord, kindOrReply, 12, 12);
ZL_CHECK_OFFSET(ZlCallbackRecord, number, 16, 16);
ZL_CHECK_OFFSET(ZlCallbackRecord, text, 24, 20);
ZL_CHECK_OFFSET(ZlCallbackRecord, area, 32, 24);
ZL_CHECK_OFFSET(ZlCallbackRecord, area.replyText, 32, 24);
ZL_CHECK_OFFSET(ZlCallbackRecord, area.report.size, 32, 24);
ZL_CHECK_OFFSET(ZlCallbackRecord, area.report.written, 40, 32);
ZL_CHECK_OFFSET(ZlCallbackRecord, area.report.data, 48, 40);
ZL_CHECK_OFFSET(ZlCallbackRecord, area.report.number2, 56, 44);
ZL_CHECK_OFFSET(ZlCallbackRecord, area.report.number3, 60, 48);

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
