#include "decode_ahead.h"

#include <deque>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

// The threads wait on the system's own lock and condition variable on Windows: those of the
// C++ runtime's thread layer wait through kernel objects, which under Wine costs a trip to
// the server for every hand-over.
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

// Lets go of a held gate for a scope (the work between two looks at the shared state).
class LetGo {
  public:
    explicit LetGo(Gate& gate) : gate_(gate) { gate_.Unlock(); }
    ~LetGo() { gate_.Lock(); }
    LetGo(const LetGo&) = delete;
    LetGo& operator=(const LetGo&) = delete;

  private:
    Gate& gate_;
};

}  // namespace

bool DecodeAhead::DecodableAhead(const CentralEntry& entry) {
    return !entry.IsDirectory() && !entry.IsEncrypted() &&
           (entry.flags & kFlagStrongEncryption) == 0 &&
           (entry.method == kMethodStored || entry.method == kMethodDeflated);
}

class DecodeAhead::Shared {
  public:
    struct Block {
        std::unique_ptr<uint8_t[]> memory;
        size_t capacity = 0;
        size_t size = 0;
    };

    Shared(ByteSource& archive, const Directory& directory,
           const std::vector<const CentralEntry*>& plan)
        : archive_(archive), directory_(directory), plan_(plan), ring_(kWindow) {}

    ~Shared() {
        {
            Held held(gate_);
            stop_ = true;
        }
        gate_.WakeAll();
        for (std::thread& thread : threads_) thread.join();
    }
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;

    // Starts up to `count` decoding threads, as far as the system gives them.
    void Start(unsigned count) {
        for (unsigned i = 0; i < count; ++i) {
            std::unique_ptr<ByteSource> reader = archive_.Another();
            try {
                threads_.emplace_back(&Shared::Work, this, std::move(reader));
            } catch (const std::system_error&) {
                break;
            }
        }
    }
    size_t Threads() const { return threads_.size(); }

    void Reach(size_t index) {
        Held held(gate_);
        Release(taken_);
        for (size_t passed = head_; passed < index && passed < nextClaim_; ++passed) {
            Slot& slot = SlotOf(passed);
            if (slot.index != passed) continue;
            for (Block& block : slot.blocks) Release(block);
            slot = Slot{};
        }
        head_ = index;
        gate_.WakeAll();
    }

    // Whether a decoding thread decodes the entry the job is at.
    bool Ahead() {
        if (threads_.empty()) return false;
        Held held(gate_);
        while (nextClaim_ <= head_) gate_.Wait();
        return SlotOf(head_).ahead;
    }

    // The next block of the entry the job is at, held by the job until the next call.
    bool Next(const uint8_t*& data, size_t& size) {
        Held held(gate_);
        Release(taken_);
        Slot& slot = SlotOf(head_);
        while (slot.blocks.empty() && !slot.finished) gate_.Wait();
        if (slot.blocks.empty()) return false;
        taken_ = std::move(slot.blocks.front());
        slot.blocks.pop_front();
        gate_.WakeAll();
        data = taken_.memory.get();
        size = taken_.size;
        return true;
    }

    // The end of the entry the job is at.
    const EntryFailure& Failure() {
        Held held(gate_);
        const Slot& slot = SlotOf(head_);
        if (slot.outOfMemory) throw std::bad_alloc();
        return slot.failure;
    }
    uint32_t Crc() {
        Held held(gate_);
        return SlotOf(head_).crc;
    }

  private:
    struct Slot {
        size_t index = SIZE_MAX;  // the plan item it is for
        bool ahead = false;       // decoded by a decoding thread
        bool finished = false;
        bool outOfMemory = false;
        std::deque<Block> blocks;  // decoded, not yet taken by the job
        EntryFailure failure;
        uint32_t crc = 0;
    };

    Slot& SlotOf(size_t index) { return ring_[index % kWindow]; }

    // Whether a block of `capacity` bytes may be made for plan item `index` now.
    bool Room(size_t index, size_t capacity) {
        if (index == head_) return SlotOf(index).blocks.size() < kCurrentDepth;
        return held_ + capacity <= kBudget;
    }

    void Release(Block& block) {
        if (!block.memory) return;
        held_ -= block.capacity;
        if (block.capacity == kBlockSize && spare_.size() < kCurrentDepth)
            spare_.push_back(std::move(block.memory));
        block = Block{};
        gate_.WakeAll();
    }

    // The thread's life: claims the next plan item in the job's order and decodes it, as long
    // as the job has not passed it, until the job stops.
    void Work(std::unique_ptr<ByteSource> reader) {
        EntryDecoder decoder(*reader);
        Held held(gate_);
        for (;;) {
            while (!stop_ && (nextClaim_ >= plan_.size() || nextClaim_ >= head_ + kWindow))
                gate_.Wait();
            if (stop_) return;
            const size_t index = nextClaim_++;
            Slot& slot = SlotOf(index);
            slot = Slot{};
            slot.index = index;
            slot.ahead = DecodableAhead(*plan_[index]);
            gate_.WakeAll();
            if (slot.ahead) Decode(index, *reader, decoder);
        }
    }

    // Decodes plan item `index` into its slot (the gate held on entry and on return).
    void Decode(size_t index, ByteSource& reader, EntryDecoder& decoder) {
        const CentralEntry& entry = *plan_[index];
        bool outOfMemory = false;
        try {
            LetGo work(gate_);
            // An entry the job finds no data for fails there before its data is asked for.
            const LocateResult located = LocateEntryData(reader, directory_, entry);
            if (located.error == LocateError::kNone)
                decoder.Start(located.data, entry.method, entry.uncompressedSize, std::nullopt);
            else
                decoder.Start({}, kMethodStored, 0, std::nullopt);
            outOfMemory = decoder.InflaterFailed();
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
        }
        while (!outOfMemory && !decoder.Done()) {
            const size_t capacity = decoder.NextCapacity();
            while (!stop_ && index >= head_ && !Room(index, capacity)) gate_.Wait();
            if (stop_ || index < head_) return;  // the job stopped, or passed the entry
            Block block = TakeMemory(capacity);
            try {
                LetGo work(gate_);
                if (!block.memory) block.memory = std::make_unique_for_overwrite<uint8_t[]>(capacity);
                block.size = decoder.Decode(block.memory.get());
            } catch (const std::bad_alloc&) {
                outOfMemory = true;
            }
            if (stop_ || index < head_) {
                Release(block);
                return;
            }
            if (block.size > 0)
                SlotOf(index).blocks.push_back(std::move(block));
            else
                Release(block);
            gate_.WakeAll();
        }
        Slot& slot = SlotOf(index);
        slot.finished = true;
        slot.outOfMemory = outOfMemory;
        slot.failure = decoder.Failure();
        slot.crc = decoder.Crc();
        gate_.WakeAll();
    }

    // Counts a block of `capacity` bytes as held, with a spare whole block when one is there.
    Block TakeMemory(size_t capacity) {
        Block block;
        block.capacity = capacity;
        held_ += capacity;
        if (capacity == kBlockSize && !spare_.empty()) {
            block.memory = std::move(spare_.back());
            spare_.pop_back();
        }
        return block;
    }

    ByteSource& archive_;
    const Directory& directory_;
    const std::vector<const CentralEntry*>& plan_;
    Gate gate_;
    std::vector<Slot> ring_;   // the slot of plan item i is ring_[i % kWindow]
    size_t head_ = 0;          // the plan item the job is at
    size_t nextClaim_ = 0;     // the next plan item a decoding thread takes
    size_t held_ = 0;          // bytes of blocks made and not yet released
    bool stop_ = false;
    Block taken_;              // the block the job is writing
    std::vector<std::unique_ptr<uint8_t[]>> spare_;  // whole blocks for reuse
    std::vector<std::thread> threads_;  // last: joined before the rest goes
};

DecodeAhead::DecodeAhead(ByteSource& archive, const Directory& directory,
                         const std::vector<const CentralEntry*>& plan, unsigned threads)
    : shared_(std::make_unique<Shared>(archive, directory, plan)), own_(archive) {
    size_t decodable = 0;
    for (const CentralEntry* entry : plan) decodable += DecodableAhead(*entry);
    if (threads > 1) shared_->Start(static_cast<unsigned>(std::min<size_t>(threads, decodable)));
}

DecodeAhead::~DecodeAhead() = default;

size_t DecodeAhead::Threads() const {
    return shared_->Threads();
}

void DecodeAhead::Reach(size_t index) {
    shared_->Reach(index);
}

void DecodeAhead::Open(const CentralEntry& entry, const EntryData& data,
                       const std::optional<TraditionalCipher>& cipher) {
    openAhead_ = shared_->Ahead();
    if (!openAhead_) own_.Start(data, entry.method, entry.uncompressedSize, cipher);
}

bool DecodeAhead::Next(const uint8_t*& data, size_t& size) {
    if (openAhead_) return shared_->Next(data, size);
    while (!own_.Done()) {
        if (ownBlock_.size() < own_.NextCapacity()) ownBlock_.resize(kBlockSize);
        size = own_.Decode(ownBlock_.data());
        if (size > 0) {
            data = ownBlock_.data();
            return true;
        }
    }
    return false;
}

const EntryFailure& DecodeAhead::Failure() const {
    return openAhead_ ? shared_->Failure() : own_.Failure();
}

uint32_t DecodeAhead::Crc() const {
    return openAhead_ ? shared_->Crc() : own_.Crc();
}

}  // namespace ziplib
