// Entries decoded ahead of the job on threads of their own, handed to the job in its order.
//
// The job goes through its entries one by one on the caller's thread: it asks its questions,
// creates the files, writes the decoded blocks and sends every report, exactly as it would
// alone. Meanwhile decoding threads take the entries that need no answer before they can be
// decoded (neither folders nor encrypted), in the job's order, and decode them into blocks
// the job then writes; an entry that is not decoded ahead (or every entry, with no decoding
// thread) is decoded by the job itself, by the same code. The job sees the same blocks and
// the same end of every entry either way, so its reports are those of one thread.
//
// Memory stays bounded however large or many the entries: the entries decoded ahead lie
// within a window of the job's position and their blocks within a budget, except that the
// entry the job is at may always have a few blocks ready. A decoding thread abandons an entry
// the job has passed, and every thread ends within a block once the job stops.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "entry_decoder.h"
#include "zip_format.h"

namespace ziplib {

class DecodeAhead {
  public:
    // Bytes of blocks that entries ahead of the job may hold, and how many entries beyond
    // the job's one may be decoded ahead.
    static constexpr size_t kBudget = 8u << 20;
    static constexpr size_t kWindow = 512;
    // Blocks the entry the job is at may have ready, budget or not.
    static constexpr size_t kCurrentDepth = 4;
    // Bytes of block memory in use and kept for reuse together, at most.
    static constexpr size_t kMemoryLimit = kBudget + kCurrentDepth * kBlockSize;

    // `plan` lists the job's entries in its order; `threads` the job's own and the decoding
    // threads together (0 or 1: none, the job decodes everything itself). The archive gives
    // each decoding thread a reader of its own.
    DecodeAhead(ByteSource& archive, const Directory& directory,
                const std::vector<const CentralEntry*>& plan, unsigned threads);
    // Stops the decoding threads and waits for them.
    ~DecodeAhead();
    DecodeAhead(const DecodeAhead&) = delete;
    DecodeAhead& operator=(const DecodeAhead&) = delete;

    // Whether an entry is decoded ahead when there are decoding threads.
    static bool DecodableAhead(const CentralEntry& entry);

    // The job is at plan item `index` (never going back): what lies before it is dropped.
    void Reach(size_t index);
    // Opens the data of the plan item the job is at, `entry`: the blocks decoded ahead, or
    // (for an entry not decoded ahead) its data at `data` decrypted with `cipher`, decoded on
    // the job's thread as it asks for blocks.
    void Open(const CentralEntry& entry, const EntryData& data,
              const std::optional<TraditionalCipher>& cipher);
    // The next block of the open entry, valid until the next call; false at its end.
    bool Next(const uint8_t*& data, size_t& size);
    // Once Next said false: why the entry failed (ZL_ERR_NONE: it decoded whole), its CRC.
    // A decoding thread that ran out of memory makes this throw std::bad_alloc, as the job's
    // own decoding would.
    const EntryFailure& Failure() const;
    uint32_t Crc() const;

    // Decoding threads actually running.
    size_t Threads() const;

  private:
    class Shared;  // what the job and the decoding threads share, behind one lock

    std::unique_ptr<Shared> shared_;
    EntryDecoder own_;  // the job's own decoding
    std::vector<uint8_t> ownBlock_;
    bool openAhead_ = false;  // the open entry comes from a decoding thread
};

}  // namespace ziplib
