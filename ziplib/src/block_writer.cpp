#include "block_writer.h"

#include <array>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "crc32_fast.h"

// The hand-over waits on the system's own lock and condition variable on Windows: those of
// the C++ runtime's thread layer wait through kernel objects, which under Wine costs a trip
// to the server for every block and ate what the second thread gained.
#ifdef _WIN32
#include <windows.h>
#else
#include <condition_variable>
#include <mutex>
#endif

namespace ziplib {
namespace {

#ifdef _WIN32
class Gate {
  public:
    void Lock() { AcquireSRWLockExclusive(&lock_); }
    void Unlock() { ReleaseSRWLockExclusive(&lock_); }
    void Wait() { SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0); }
    void WakeAll() { WakeAllConditionVariable(&changed_); }

  private:
    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;
};
#else
class Gate {
  public:
    void Lock() { lock_.lock(); }
    void Unlock() { lock_.unlock(); }
    void Wait() {
        std::unique_lock<std::mutex> held(lock_, std::adopt_lock);
        changed_.wait(held);
        held.release();
    }
    void WakeAll() { changed_.notify_all(); }

  private:
    std::mutex lock_;
    std::condition_variable changed_;
};
#endif

// Holds the gate for a scope.
class Held {
  public:
    explicit Held(Gate& gate) : gate_(gate) { gate_.Lock(); }
    ~Held() { gate_.Unlock(); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

  private:
    Gate& gate_;
};

}  // namespace

// A ring of blocks: `first_` is the oldest not collected, `count_` how many are not
// collected, `processed_` how many of those, from the oldest on, are done.
class BlockWriter::Queue {
  public:
    explicit Queue(bool threaded) {
        if (threaded) thread_.emplace(&Queue::Loop, this);
    }
    ~Queue() {
        if (!thread_) return;
        {
            Held held(gate_);
            quit_ = true;
        }
        gate_.WakeAll();
        thread_->join();
    }
    Queue(const Queue&) = delete;
    Queue& operator=(const Queue&) = delete;

    void Add(OutputFile* file, const uint8_t* data, size_t size, std::optional<uint32_t> crc) {
        if (!thread_) {
            Block& block = ring_[(first_ + count_++) % kDepth];
            block = {file, data, size, crc, true, {}};
            uint32_t running = crc.value_or(lastCrc_);
            block.written = Process(file, data, size, running, block.error);
            block.crc = lastCrc_ = running;
            ++processed_;
            return;
        }
        {
            Held held(gate_);
            ring_[(first_ + count_++) % kDepth] = {file, data, size, crc, true, {}};
        }
        gate_.WakeAll();
    }

    bool Take(uint32_t& crc, size_t& size, std::string& error) {
        std::optional<Held> held;
        if (thread_) {
            held.emplace(gate_);
            while (processed_ == 0) gate_.Wait();
        }
        Block& block = ring_[first_];
        first_ = (first_ + 1) % kDepth;
        --count_;
        --processed_;
        crc = block.crc;
        size = block.size;
        if (block.written) return true;
        error = std::move(block.error);
        return false;
    }

  private:
    struct Block {
        OutputFile* file = nullptr;
        const uint8_t* data = nullptr;
        size_t size = 0;
        std::optional<uint32_t> start;  // the checksum to continue; none: the previous block's
        bool written = true;
        std::string error;
        uint32_t crc = 0;  // including this block, once processed
    };

    void Loop() {
        Held held(gate_);
        for (;;) {
            while (processed_ == count_ && !quit_) gate_.Wait();
            if (processed_ == count_) return;
            Block& block = ring_[(first_ + processed_) % kDepth];
            OutputFile* file = block.file;
            const uint8_t* data = block.data;
            const size_t size = block.size;
            uint32_t crc = block.start.value_or(lastCrc_);
            gate_.Unlock();
            std::string error;
            const bool written = Process(file, data, size, crc, error);
            gate_.Lock();
            block.crc = lastCrc_ = crc;
            block.written = written;
            block.error = std::move(error);
            ++processed_;
            gate_.WakeAll();
        }
    }

    Gate gate_;
    std::array<Block, kDepth> ring_;
    size_t first_ = 0;
    size_t count_ = 0;
    size_t processed_ = 0;
    uint32_t lastCrc_ = 0;  // checksum after the last block processed
    bool quit_ = false;
    std::optional<std::thread> thread_;  // last: started after, and joined before, the rest
};

BlockWriter::BlockWriter() = default;
BlockWriter::~BlockWriter() = default;

bool BlockWriter::Process(OutputFile* file, const uint8_t* data, size_t size, uint32_t& crc,
                          std::string& error) {
    crc = Crc32(crc, data, size);
    return file == nullptr || file->Write(data, size, error);
}

void BlockWriter::Start(OutputFile* file, const uint8_t* data, size_t size, uint32_t crc) {
    if (!queue_) {
        try {
            queue_ = std::make_unique<Queue>(true);
        } catch (const std::system_error&) {
            queue_ = std::make_unique<Queue>(false);
        }
    }
    queue_->Add(file, data, size, inFlight_ == 0 ? std::optional<uint32_t>(crc) : std::nullopt);
    ++inFlight_;
}

bool BlockWriter::Collect(uint32_t& crc, size_t& size, std::string& error) {
    --inFlight_;
    return queue_->Take(crc, size, error);
}

void BlockWriter::Drain() {
    uint32_t crc = 0;
    size_t size = 0;
    std::string error;
    while (Pending()) Collect(crc, size, error);
}

}  // namespace ziplib
