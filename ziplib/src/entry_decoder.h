// Decoding one entry's data block by block: reading (and decrypting) it from the archive,
// inflating it, checking it against the recorded size and summing its CRC. The same code
// decodes an entry ahead on a decoding thread and on the job's own thread, so an entry gives
// the same blocks and ends in the same way wherever it is decoded. No platform headers.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "traditional_cipher.h"
#include "zip_format.h"
#include "ziplib179.h"

namespace ziplib {

// Large blocks: every read and write costs a trip through the system (and Wine). The fuzzing
// build makes them small, so that short inputs cross block boundaries too.
#ifndef ZIPLIB_BLOCK_SIZE
#define ZIPLIB_BLOCK_SIZE (1024 * 1024)
#endif
constexpr size_t kBlockSize = ZIPLIB_BLOCK_SIZE;

// Why an entry was not extracted.
struct EntryFailure {
    ZlEntryError code = ZL_ERR_NONE;
    ZlSkipReason reason = ZL_SKIP_BAD_DATA;
    std::string text;
};

// Raw inflate state, reused entry after entry.
class Inflater {
  public:
    Inflater();
    ~Inflater();
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
    bool Ok() const { return ok_; }
    z_stream& Stream() { return stream_; }

  private:
    z_stream stream_;
    bool ok_ = false;
};

class EntryDecoder {
  public:
    explicit EntryDecoder(ByteSource& archive) : archive_(archive) {}

    // Starts on an entry's data; `cipher`, when given, is set up for the data (its header
    // already read).
    void Start(const EntryData& data, uint16_t method, uint64_t expectedSize,
               const std::optional<TraditionalCipher>& cipher);
    // The room the next block takes: up to a whole block, and for deflated data one byte
    // beyond what the entry should still give, so that data longer than recorded shows in the
    // block that goes beyond. 0 once the entry is done.
    size_t NextCapacity() const;
    // Decodes the next block into `block` (NextCapacity() bytes of room) and returns its size;
    // 0 when the entry is done. A block that would take the entry beyond its recorded size
    // is not given out: the entry fails instead.
    size_t Decode(uint8_t* block);

    bool Done() const { return done_; }
    // Once done: why the entry failed (code ZL_ERR_NONE: it decoded whole), the CRC of
    // everything given out.
    const EntryFailure& Failure() const { return failure_; }
    uint32_t Crc() const { return crc_; }
    bool InflaterFailed() const { return !inflater_.Ok(); }

  private:
    size_t DecodeStored(uint8_t* block, size_t capacity);
    size_t DecodeDeflated(uint8_t* block, size_t capacity);
    // Reads (and decrypts) compressed data; false (and failed) when the archive cannot be read.
    bool ReadInput(uint64_t offset, uint8_t* buffer, size_t size);
    // Hands out a block of `size` bytes: checks it against the recorded size, sums its CRC.
    size_t GiveOut(const uint8_t* block, size_t size);
    void Fail(EntryFailure failure);
    void Finish();

    ByteSource& archive_;
    Inflater inflater_;
    std::vector<uint8_t> input_;
    EntryData data_;
    bool stored_ = false;
    std::optional<TraditionalCipher> cipher_;
    uint64_t expected_ = 0;
    uint64_t produced_ = 0;
    uint64_t consumed_ = 0;
    uint32_t crc_ = 0;
    bool streamEnded_ = false;          // the deflated stream ended with the last block
    std::optional<EntryFailure> late_;  // a failure found after the last block given out
    bool done_ = true;
    EntryFailure failure_;
};

}  // namespace ziplib
