#include "block_writer.h"

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

class BlockWriter::Thread {
  public:
    Thread() : thread_(&Thread::Loop, this) {}
    ~Thread() {
        {
            Held held(gate_);
            quit_ = true;
        }
        gate_.WakeAll();
        thread_.join();
    }
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    void Start(OutputFile* file, const uint8_t* data, size_t size, uint32_t crc) {
        {
            Held held(gate_);
            block_ = {file, data, size, crc, true, {}};
            queued_ = true;
        }
        gate_.WakeAll();
    }

    bool Collect(uint32_t& crc, std::string& error) {
        Held held(gate_);
        while (!done_) gate_.Wait();
        done_ = false;
        crc = block_.crc;
        if (block_.written) return true;
        error = std::move(block_.error);
        return false;
    }

  private:
    struct Block {
        OutputFile* file = nullptr;
        const uint8_t* data = nullptr;
        size_t size = 0;
        uint32_t crc = 0;
        bool written = true;
        std::string error;
    };

    void Loop() {
        Held held(gate_);
        for (;;) {
            while (!queued_ && !quit_) gate_.Wait();
            if (!queued_) return;
            queued_ = false;
            Block block = std::move(block_);
            gate_.Unlock();
            block.written = Process(block.file, block.data, block.size, block.crc, block.error);
            gate_.Lock();
            block_ = std::move(block);
            done_ = true;
            gate_.WakeAll();
        }
    }

    Gate gate_;
    Block block_;
    bool queued_ = false;  // handed over, not yet taken up by the thread
    bool done_ = false;    // processed, not yet collected
    bool quit_ = false;
    std::thread thread_;  // last: started after, and joined before, everything above
};

BlockWriter::BlockWriter() = default;
BlockWriter::~BlockWriter() = default;

bool BlockWriter::Process(OutputFile* file, const uint8_t* data, size_t size, uint32_t& crc,
                          std::string& error) {
    crc = Crc32(crc, data, size);
    return file == nullptr || file->Write(data, size, error);
}

void BlockWriter::Start(OutputFile* file, const uint8_t* data, size_t size, uint32_t crc) {
    pending_ = true;
    if (!thread_ && !threadFailed_) {
        try {
            thread_ = std::make_unique<Thread>();
        } catch (const std::system_error&) {
            threadFailed_ = true;
        }
    }
    if (thread_) {
        thread_->Start(file, data, size, crc);
        return;
    }
    inlineCrc_ = crc;
    inlineError_.clear();
    inlineWritten_ = Process(file, data, size, inlineCrc_, inlineError_);
}

bool BlockWriter::Collect(uint32_t& crc, std::string& error) {
    pending_ = false;
    if (thread_) return thread_->Collect(crc, error);
    crc = inlineCrc_;
    if (inlineWritten_) return true;
    error = std::move(inlineError_);
    return false;
}

void BlockWriter::Drain() {
    if (!pending_) return;
    uint32_t crc = 0;
    std::string error;
    Collect(crc, error);
}

}  // namespace ziplib
