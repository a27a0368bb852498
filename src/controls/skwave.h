// A short wave sound carried in the program's data and played from memory.
#pragma once

#include <cstdint>

#include "framework/classes.h"
#include "framework/sysutils.h"

namespace mvt {

class ESkInvalidWaveOperation : public Exception {
    using Exception::Exception;
};

// An owned, growable byte block that stores itself as a 32-bit count followed by its
// bytes. Every change passes OnChanging, then OnChange.
class TSkPersistentMemory : public TObject {
  public:
    const uint8_t* Memory() const { return block_.Memory(); }
    size_t Size() const { return block_.Size(); }
    bool Empty() const { return Size() == 0; }
    bool Modified() const { return modified_; }

    void Clear();
    // Count 0 clears. Otherwise Validate runs on a copy first: a refused image leaves
    // the content untouched and fires no notification.
    void LoadFromMemory(const void* bytes, size_t count);
    void Assign(const TSkPersistentMemory* source);
    // The stored form: a 32-bit count, then that many bytes.
    void ReadData(TMemoryStream& stream);
    void WriteData(TMemoryStream& stream) const;
    // Whether the stored form is written at all (only when not empty).
    bool HasData() const { return !Empty(); }

    virtual void CopyToClipboard() {}
    virtual void PasteFromClipboard() {}

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

  protected:
    virtual void Validate(const TMemoryStream& /*incoming*/) {}
    void CopyToClipboard(unsigned format) const;
    void PasteFromClipboard(unsigned format);

  private:
    void Changing();
    void Changed();

    TMemoryStream block_;
    bool modified_ = false;
};

// A byte block that accepts only RIFF WAVE images.
class TSkWaveImage : public TSkPersistentMemory {
  public:
    void CopyToClipboard() override { TSkPersistentMemory::CopyToClipboard(kClipboardWave); }
    void PasteFromClipboard() override { TSkPersistentMemory::PasteFromClipboard(kClipboardWave); }

  protected:
    void Validate(const TMemoryStream& incoming) override;

  private:
    static constexpr unsigned kClipboardWave = 12;  // CF_WAVE
};

enum class TSkPlayOption { poAsync, poSync, poLoop };

class TSkCustomWave : public TComponent {
  public:
    explicit TSkCustomWave(TComponent* owner) : TComponent(owner) {}
    TSkPlayOption PlayOption() const { return playOption_; }
    virtual void SetPlayOption(TSkPlayOption option);
    uint32_t PlayFlags() const { return flags_; }
    // True when the sound started (or, synchronously, played).
    virtual bool Play();
    // Ends whatever sound this call family plays in the process.
    virtual void Stop();

  protected:
    void SetSoundPointer(const void* sound) { sound_ = sound; }
    const void* SoundPointer() const { return sound_; }

  private:
    TSkPlayOption playOption_ = TSkPlayOption::poAsync;
    uint32_t flags_ = 7;  // SND_ASYNC | SND_NODEFAULT | SND_MEMORY
    const void* sound_ = nullptr;
};

class TSkWave : public TSkCustomWave {
  public:
    explicit TSkWave(TComponent* owner);
    ~TSkWave() override;
    TSkWaveImage& Sound() { return sound_; }
    void SetSound(const TSkWaveImage* sound);
    bool Play() override;

  private:
    TSkWaveImage sound_;
};

}  // namespace mvt
