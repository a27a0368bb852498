// Checksums and writes one block of an entry on a second thread while the caller decodes
// the next one. At most one block is in flight, and the caller collects its outcome before
// it hands over the next block or reports the block's progress, so the reports keep the
// order they would have with one thread, and a write failure is reported for the block that
// failed. Nothing here touches the caller's callback.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "extractor.h"

namespace ziplib {

class BlockWriter {
  public:
    BlockWriter();
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
    class Thread;  // the second thread and what it shares with the caller

    std::unique_ptr<Thread> thread_;  // made with the first block handed over
    bool pending_ = false;            // a block handed over and not collected
    bool threadFailed_ = false;       // no second thread: blocks are processed at once
    uint32_t inlineCrc_ = 0;          // outcome of a block processed at once
    bool inlineWritten_ = true;
    std::string inlineError_;
};

}  // namespace ziplib
