// Checksums and writes the blocks of an entry on a second thread while the caller decodes
// the next ones. A few blocks may be in flight, processed in the order handed over; the
// caller collects their outcomes in that order, and only a collected block's progress is
// reported, so the reports come in the order they would have with one thread, and a write
// failure is reported for the block that failed, before anything about later blocks. The
// queue lets either side go on while the other waits to be scheduled, which on a busy
// machine costs far more than the work on one block. Nothing here touches the callback.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "extractor.h"

namespace ziplib {

class BlockWriter {
  public:
    static constexpr size_t kDepth = 4;  // blocks in flight at most

    BlockWriter();
    ~BlockWriter();
    BlockWriter(const BlockWriter&) = delete;
    BlockWriter& operator=(const BlockWriter&) = delete;

    bool Pending() const { return inFlight_ > 0; }
    bool Full() const { return inFlight_ == kDepth; }
    // Hands a block over (not when Full): its checksum continues `crc` when nothing is in
    // flight, else the checksum of the block before it; it is written to `file` unless that
    // is null. `data` must stay untouched until the block is collected. When no second
    // thread can be had the block is processed at once.
    void Start(OutputFile* file, const uint8_t* data, size_t size, uint32_t crc);
    // Waits for the oldest block in flight; `crc` becomes the checksum including it and
    // `size` its size. False, with the system's reason in `error`, when its write failed.
    bool Collect(uint32_t& crc, size_t& size, std::string& error);
    // Waits for every block still in flight and forgets their outcomes (a job leaving early).
    void Drain();

    // The work on one block, as done on either thread.
    static bool Process(OutputFile* file, const uint8_t* data, size_t size, uint32_t& crc,
                        std::string& error);

  private:
    class Queue;  // the blocks in flight, shared with the second thread

    std::unique_ptr<Queue> queue_;
    size_t inFlight_ = 0;
};

}  // namespace ziplib
