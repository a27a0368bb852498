#include "decode_ahead.h"

#include <algorithm>
#include <array>
#include <bit>
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

// A lock and the conditions its holders wait for.
#ifdef _WIN32
class Gate {
  public:
    void Lock() { AcquireSRWLockExclusive(&lock_); }
    void Unlock() { ReleaseSRWLockExclusive(&lock_); }

    class Condition {
      public:
        void Wait(Gate& gate) { SleepConditionVariableSRW(&changed_, &gate.lock_, INFINITE, 0); }
        void WakeAll() { WakeAllConditionVariable(&changed_); }

      private:
        CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;
    };

  private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};
#else
class Gate {
  public:
    void Lock() { lock_.lock(); }
    void Unlock() { lock_.unlock(); }

    class Condition {
      public:
        void Wait(Gate& gate) {
            std::unique_lock<std::mutex> held(gate.lock_, std::adopt_lock);
            changed_.wait(held);
            held.release();
        }
        void WakeAll() { changed_.notify_all(); }

      private:
        std::condition_variable changed_;
    };

  private:
    std::mutex lock_;
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

// Memory in whole pages of the system's own, given back when it goes. Blocks of every size,
// made on the decoding threads and freed on the job's, left the heap fragmented: under Wine
// the process grew by more than twice the bytes the blocks held.
class Pages {
  public:
    Pages() = default;
    explicit Pages(size_t size) {
#ifdef _WIN32
        data_ = static_cast<uint8_t*>(
            VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        if (data_ == nullptr) throw std::bad_alloc();
#else
        owned_ = std::make_unique_for_overwrite<uint8_t[]>(size);
        data_ = owned_.get();
#endif
    }
    ~Pages() {
#ifdef _WIN32
        if (data_ != nullptr) VirtualFree(data_, 0, MEM_RELEASE);
#endif
    }
    Pages(Pages&& other) noexcept {
        *this = std::move(other);
    }
    Pages& operator=(Pages&& other) noexcept {
        std::swap(data_, other.data_);
#ifndef _WIN32
        std::swap(owned_, other.owned_);
#endif
        return *this;
    }
    Pages(const Pages&) = delete;
    Pages& operator=(const Pages&) = delete;

    uint8_t* get() const {
        return data_;
    }
    explicit operator bool() const {
        return data_ != nullptr;
    }

  private:
    uint8_t* data_ = nullptr;
#ifndef _WIN32
    std::unique_ptr<uint8_t[]> owned_;
#endif
};

// Memory for blocks, in sizes of whole powers of two from 4 KiB up to a whole block, kept for
// reuse up to a limit, since mapping fresh pages costs a fault for every page.
class BlockMemory {
  public:
    static constexpr size_t kSmallest = 4096;

    // The room taken for a block of `capacity` bytes.
    static size_t RoomFor(size_t capacity) { return std::bit_ceil(std::max(capacity, kSmallest)); }
    // Memory of `room` bytes kept for reuse, or none.
    Pages Reuse(size_t room) {
        std::vector<Pages>& kept = kept_[Class(room)];
        if (kept.empty()) return {};
        Pages memory = std::move(kept.back());
        kept.pop_back();
        keptBytes_ -= room;
        return memory;
    }
    // Keeps memory of `room` bytes while `inUse` and what is kept stay within the limit.
    void Keep(Pages memory, size_t room, size_t inUse) {
        if (inUse + keptBytes_ + room > DecodeAhead::kMemoryLimit) return;
        kept_[Class(room)].push_back(std::move(memory));
        keptBytes_ += room;
    }

  private:
    static size_t Class(size_t room) { return std::countr_zero(room / kSmallest); }
    std::array<std::vector<Pages>, std::countr_zero(kBlockSize / kSmallest) + 1> kept_;
    size_t keptBytes_ = 0;
};

}  // namespace

bool DecodeAhead::DecodableAhead(const CentralEntry& entry) {
    return !entry.IsDirectory() && !entry.IsEncrypted() &&
           (entry.flags & kFlagStrongEncryption) == 0 &&
           (entry.method == kMethodStored || entry.method == kMethodDeflated);
}

// The job and the decoding threads wake each other only when the other side waits for what
// changed, and the decoding threads, once they wait for room in the window, only when a
// quarter of it is free again: every wake-up costs a trip through the system, and under Wine
// as many of them as entries cost more than the decoding saved.
class DecodeAhead::Shared {
  public:
    struct Block {
        Pages memory;
        size_t room = 0;  // bytes of memory, at least what the decoder asked for
        size_t size = 0;
    };

    Shared(ByteSource& archive, const Directory& directory,
           const std::vector<const CentralEntry*>& plan)
        : archive_(archive), directory_(directory), plan_(plan), ring_(kWindow) {}

    ~Shared() {
        {
            Held held(gate_);
            stop_ = true;
            workWake_.WakeAll();
        }
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
        // A thread may wait for room for the entry that is the job's now, or for the job to
        // take a block of an entry it passed without taking them all.
        if (WaitsForRoomUpTo(head_) ||
            (claimWaiters_ > 0 && head_ + kWindow >= nextClaim_ + kWindow / 4))
            workWake_.WakeAll();
    }

    // Whether a decoding thread decodes the entry the job is at.
    bool Ahead() {
        if (threads_.empty()) return false;
        Held held(gate_);
        WaitAsJob([&] { return nextClaim_ > head_; });
        return SlotOf(head_).ahead;
    }

    // The next block of the entry the job is at, held by the job until the next call.
    bool Next(const uint8_t*& data, size_t& size) {
        Held held(gate_);
        Release(taken_);
        Slot& slot = SlotOf(head_);
        WaitAsJob([&] { return !slot.blocks.empty() || slot.finished; });
        if (slot.blocks.empty()) return false;
        taken_ = std::move(slot.blocks.front());
        slot.blocks.pop_front();
        if (WaitsForRoomUpTo(head_)) workWake_.WakeAll();
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

    template <typename Ready>
    void WaitAsJob(Ready ready) {
        while (!ready()) {
            jobWaits_ = true;
            jobWake_.Wait(gate_);
            jobWaits_ = false;
        }
    }

    // Tells the job that plan item `index` changed, when it waits for it.
    void Changed(size_t index) {
        if (jobWaits_ && index == head_) jobWake_.WakeAll();
    }

    // Whether a decoding thread waits for room for plan item `index` or one before it (woken
    // when the job takes a block or passes them), or for one after the job's (woken when the
    // budget is half free again).
    bool WaitsForRoomUpTo(size_t index) const {
        return std::any_of(roomWaits_.begin(), roomWaits_.end(),
                           [index](size_t waiting) { return waiting <= index; });
    }
    bool WaitsForBudget() const {
        return std::any_of(roomWaits_.begin(), roomWaits_.end(),
                           [this](size_t waiting) { return waiting > head_; });
    }

    // Whether a block taking `room` bytes may be made for plan item `index` now.
    bool Room(size_t index, size_t room) {
        if (index == head_) return SlotOf(index).blocks.size() < kCurrentDepth;
        return held_ + room <= kBudget;
    }

    void Release(Block& block) {
        if (!block.memory) return;
        held_ -= block.room;
        memory_.Keep(std::move(block.memory), block.room, held_);
        block = Block{};
        if (held_ <= kBudget / 2 && WaitsForBudget()) workWake_.WakeAll();
    }

    // The thread's life: claims the next plan item in the job's order and decodes it, as long
    // as the job has not passed it, until the job stops.
    void Work(std::unique_ptr<ByteSource> reader) {
        EntryDecoder decoder(*reader);
        Held held(gate_);
        for (;;) {
            while (!stop_ && (nextClaim_ >= plan_.size() || nextClaim_ >= head_ + kWindow)) {
                ++claimWaiters_;
                workWake_.Wait(gate_);
                --claimWaiters_;
            }
            if (stop_) return;
            nextClaim_ = std::max(nextClaim_, head_);  // what the job passed needs nothing
            const size_t index = nextClaim_++;
            Slot& slot = SlotOf(index);
            slot = Slot{};
            slot.index = index;
            slot.ahead = DecodableAhead(*plan_[index]);
            Changed(index);
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
            const size_t room = BlockMemory::RoomFor(decoder.NextCapacity());
            while (!stop_ && index >= head_ && !Room(index, room)) {
                roomWaits_.push_back(index);
                workWake_.Wait(gate_);
                roomWaits_.erase(std::find(roomWaits_.begin(), roomWaits_.end(), index));
            }
            if (stop_ || index < head_) return;  // the job stopped, or passed the entry
            Block block{memory_.Reuse(room), room, 0};
            held_ += room;
            try {
                LetGo work(gate_);
                if (!block.memory) block.memory = Pages(room);
                block.size = decoder.Decode(block.memory.get());
            } catch (const std::bad_alloc&) {
                outOfMemory = true;
            }
            if (stop_ || index < head_) {
                Release(block);
                return;
            }
            if (block.size > 0) {
                SlotOf(index).blocks.push_back(std::move(block));
                Changed(index);
            } else {
                Release(block);
            }
        }
        Slot& slot = SlotOf(index);
        slot.finished = true;
        slot.outOfMemory = outOfMemory;
        slot.failure = decoder.Failure();
        slot.crc = decoder.Crc();
        Changed(index);
    }

    ByteSource& archive_;
    const Directory& directory_;
    const std::vector<const CentralEntry*>& plan_;
    Gate gate_;
    Gate::Condition jobWake_;   // the job waits for its entry
    Gate::Condition workWake_;  // decoding threads wait for an entry to claim or for room
    bool jobWaits_ = false;
    // Decoding threads waiting for an entry to claim, and the entries for which decoding
    // threads wait for room (the one the job is at: for the job to take one of its blocks;
    // the others: for room in the budget).
    size_t claimWaiters_ = 0;
    std::vector<size_t> roomWaits_;
    std::vector<Slot> ring_;  // the slot of plan item i is ring_[i % kWindow]
    size_t head_ = 0;         // the plan item the job is at
    size_t nextClaim_ = 0;    // the next plan item a decoding thread takes
    size_t held_ = 0;         // bytes of blocks made and not yet released
    bool stop_ = false;
    Block taken_;  // the block the job is writing
    BlockMemory memory_;
    std::vector<std::thread> threads_;  // last: joined before the rest goes
};

DecodeAhead::DecodeAhead(ByteSource& archive, const Directory& directory,
                         const std::vector<const CentralEntry*>& plan, unsigned threads)
    : shared_(std::make_unique<Shared>(archive, directory, plan)), own_(archive) {
    size_t decodable = 0;
    for (const CentralEntry* entry : plan) decodable += DecodableAhead(*entry);
    if (threads > 1)
        shared_->Start(static_cast<unsigned>(std::min<size_t>(threads - 1, decodable)));
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
