// Checksums and writes one block of an entry on a second thread while the caller decodes
// the next one. At most one block is in flight, and the caller collects its outcome before
// it hands over the next block or reports the block's progress, so the reports keep the
// order they would have with one thread, and a write failure is reported for the block that
// failed. Nothing here touches the caller's callback.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "extractor.h"

namespace ziplib {

class BlockWriter {
  public:
    BlockWriter() = default;
    ~BlockWriter();
    BlockWriter(const BlockWriter&) = delete;
    BlockWriter& operator=(const BlockWriter&) = delete;

    // True while a block handed over has not been collected.
    bool Pending() const { return pending_; }
    // Hands a block over: its checksum continues `crc`, and it is written to `file` unless
    // that is null. `data` must stay untouched until Collect. When no second thread can be
    // had the block is processed at once.
    void Start(OutputFile* file, const uint8_t* data, size_t size, uint32_t crc);
    // Waits for the block handed over; `crc` becomes the checksum including it. False, with
    // the system's reason in `error`, when its write failed.
    bool Collect(uint32_t& crc, std::string& error);
    // Waits for a block still in flight and forgets its outcome (a job leaving early).
    void Drain();

    // The work on one block, as done on either thread.
    static bool Process(OutputFile* file, const uint8_t* data, size_t size, uint32_t& crc,
                        std::string& error);

  private:
    struct Block {
        OutputFile* file = nullptr;
        const uint8_t* data = nullptr;
        size_t size = 0;
        uint32_t crc = 0;
        bool written = true;
        std::string error;
    };

    bool StartThread();
    void Loop();

    std::mutex mutex_;
    std::condition_variable changed_;
    Block block_;
    bool queued_ = false;  // handed over, not yet taken up by the thread
    bool done_ = false;    // processed, not yet collected
    bool quit_ = false;
    bool pending_ = false;       // the caller's side: a block handed over and not collected
    bool threadFailed_ = false;  // no second thread: blocks are processed at once
    std::thread thread_;         // last: started after, and joined before, everything above
};

}  // namespace ziplib
