#include "entry_decoder.h"

#include <algorithm>
#include <cstring>

#include "crc32_fast.h"

namespace ziplib {

Inflater::Inflater() {
    std::memset(&stream_, 0, sizeof stream_);
    ok_ = inflateInit2(&stream_, -MAX_WBITS) == Z_OK;
}

Inflater::~Inflater() {
    if (ok_) inflateEnd(&stream_);
}

void EntryDecoder::Start(const EntryData& data, uint16_t method, uint64_t expectedSize,
                         const std::optional<TraditionalCipher>& cipher) {
    data_ = data;
    stored_ = method == kMethodStored;
    cipher_ = cipher;
    expected_ = expectedSize;
    produced_ = consumed_ = 0;
    crc_ = 0;
    streamEnded_ = false;
    late_.reset();
    failure_ = {};
    done_ = false;
    if (stored_) {
        if (data.size != expected_)
            Fail({ZL_ERR_DAMAGED, ZL_SKIP_BAD_DATA, "Damaged entry: stored sizes differ"});
        else if (expected_ == 0)
            Finish();
        return;
    }
    if (input_.empty()) input_.resize(kBlockSize);
    z_stream& z = inflater_.Stream();
    inflateReset(&z);
    z.avail_in = 0;
}

size_t EntryDecoder::NextCapacity() const {
    if (done_) return 0;
    const uint64_t remaining = expected_ - produced_;
    if (stored_) return static_cast<size_t>(std::min<uint64_t>(remaining, kBlockSize));
    return remaining >= kBlockSize ? kBlockSize : static_cast<size_t>(remaining) + 1;
}

size_t EntryDecoder::Decode(uint8_t* block) {
    const size_t capacity = NextCapacity();
    if (capacity == 0) return 0;
    return stored_ ? DecodeStored(block, capacity) : DecodeDeflated(block, capacity);
}

size_t EntryDecoder::DecodeStored(uint8_t* block, size_t capacity) {
    if (!ReadInput(data_.offset + produced_, block, capacity)) return 0;
    const size_t size = GiveOut(block, capacity);
    if (produced_ == expected_) Finish();
    return size;
}

// A block is filled before it is given out, so that a large entry goes to the writer in few,
// large pieces. Whatever ends the stream or finds it damaged ends the entry after the block
// decoded so far.
size_t EntryDecoder::DecodeDeflated(uint8_t* block, size_t capacity) {
    z_stream& z = inflater_.Stream();
    z.next_out = block;
    z.avail_out = static_cast<uInt>(capacity);
    int status = Z_OK;
    while (z.avail_out > 0) {
        if (z.avail_in == 0 && consumed_ < data_.size) {
            const size_t count =
                static_cast<size_t>(std::min<uint64_t>(data_.size - consumed_, input_.size()));
            if (!ReadInput(data_.offset + consumed_, input_.data(), count)) return 0;
            consumed_ += count;
            z.next_in = input_.data();
            z.avail_in = static_cast<uInt>(count);
        }
        const uInt inBefore = z.avail_in, outBefore = z.avail_out;
        status = inflate(&z, Z_NO_FLUSH);
        if (status == Z_STREAM_END) {
            streamEnded_ = true;
            break;
        }
        const bool stuck = z.avail_in == inBefore && z.avail_out == outBefore;
        if ((status != Z_OK && status != Z_BUF_ERROR) || (stuck && consumed_ == data_.size)) {
            late_ =
                EntryFailure{ZL_ERR_DAMAGED, ZL_SKIP_BAD_DATA,
                             z.msg != nullptr ? std::string("Damaged compressed data: ") + z.msg
                                              : std::string("Damaged compressed data: truncated")};
            break;
        }
    }
    const size_t made = capacity - z.avail_out;
    const size_t size = made > 0 ? GiveOut(block, made) : 0;
    if (!done_ && (streamEnded_ || late_)) Finish();
    return size;
}

bool EntryDecoder::ReadInput(uint64_t offset, uint8_t* buffer, size_t size) {
    if (!archive_.ReadAt(offset, buffer, size)) {
        Fail({ZL_ERR_READ, ZL_SKIP_BAD_DATA, "Cannot read the archive's data"});
        return false;
    }
    if (cipher_) cipher_->Decrypt(buffer, size);
    return true;
}

size_t EntryDecoder::GiveOut(const uint8_t* block, size_t size) {
    if (size > expected_ - produced_) {
        Fail({ZL_ERR_DAMAGED, ZL_SKIP_BAD_DATA, "Damaged entry: data longer than recorded"});
        return 0;
    }
    produced_ += size;
    crc_ = Crc32(crc_, block, size);
    return size;
}

void EntryDecoder::Fail(EntryFailure failure) {
    failure_ = std::move(failure);
    done_ = true;
}

void EntryDecoder::Finish() {
    if (late_)
        Fail(*late_);
    else if (produced_ != expected_)
        Fail({ZL_ERR_DAMAGED, ZL_SKIP_BAD_DATA, "Damaged entry: data shorter than recorded"});
    else
        done_ = true;
}

}  // namespace ziplib
