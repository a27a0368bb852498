#include "block_writer.h"

#include <system_error>
#include <utility>

#include "crc32_fast.h"

namespace ziplib {

BlockWriter::~BlockWriter() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

bool BlockWriter::Process(OutputFile* file, const uint8_t* data, size_t size, uint32_t& crc,
                          std::string& error) {
    crc = Crc32(crc, data, size);
    return file == nullptr || file->Write(data, size, error);
}

bool BlockWriter::StartThread() {
    if (thread_.joinable()) return true;
    if (threadFailed_) return false;
    try {
        thread_ = std::thread(&BlockWriter::Loop, this);
        return true;
    } catch (const std::system_error&) {
        threadFailed_ = true;
        return false;
    }
}

void BlockWriter::Start(OutputFile* file, const uint8_t* data, size_t size, uint32_t crc) {
    pending_ = true;
    if (!StartThread()) {
        block_ = {file, data, size, crc, true, {}};
        block_.written = Process(file, data, size, block_.crc, block_.error);
        done_ = true;
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        block_ = {file, data, size, crc, true, {}};
        queued_ = true;
    }
    changed_.notify_all();
}

bool BlockWriter::Collect(uint32_t& crc, std::string& error) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return done_; });
    done_ = false;
    pending_ = false;
    crc = block_.crc;
    if (block_.written) return true;
    error = std::move(block_.error);
    return false;
}

void BlockWriter::Drain() {
    if (!pending_) return;
    uint32_t crc = 0;
    std::string error;
    Collect(crc, error);
}

void BlockWriter::Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return queued_ || quit_; });
        if (!queued_) return;
        queued_ = false;
        Block block = std::move(block_);
        lock.unlock();
        block.written = Process(block.file, block.data, block.size, block.crc, block.error);
        lock.lock();
        block_ = std::move(block);
        done_ = true;
        changed_.notify_all();
    }
}

}  // namespace ziplib
