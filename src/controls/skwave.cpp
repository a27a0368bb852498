#include "controls/skwave.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstring>

#include "framework/system_library.h"

namespace mvt {

namespace {

// The multimedia library's calls, taken from the system folder at the first use and kept
// for the life of the process: its player may still be busy in the background when a
// component goes.
struct MultimediaCalls {
    TSystemLibrary library{"winmm.dll", TLibraryLifetime::Process};
    decltype(&::sndPlaySoundA) playSound =
        library.Entry<decltype(&::sndPlaySoundA)>("sndPlaySoundA");
    decltype(&::mmioOpenA) open = library.Entry<decltype(&::mmioOpenA)>("mmioOpenA");
    decltype(&::mmioDescend) descend = library.Entry<decltype(&::mmioDescend)>("mmioDescend");
    decltype(&::mmioClose) close = library.Entry<decltype(&::mmioClose)>("mmioClose");
};

const MultimediaCalls& Multimedia() {
    static const MultimediaCalls calls;
    return calls;
}

}  // namespace

// ---- TSkPersistentMemory --------------------------------------------------------------

void TSkPersistentMemory::Changing() {
    modified_ = true;
    if (OnChanging) OnChanging(this);
}

void TSkPersistentMemory::Changed() {
    if (OnChange) OnChange(this);
}

void TSkPersistentMemory::Clear() {
    Changing();
    block_.Clear();
    Changed();
}

void TSkPersistentMemory::LoadFromMemory(const void* bytes, size_t count) {
    if (count == 0) {
        Clear();
        return;
    }
    TMemoryStream incoming;
    incoming.Write(bytes, count);
    incoming.SetPosition(0);
    Validate(incoming);
    Changing();
    block_.SetSize(count);
    std::memcpy(block_.Memory(), incoming.Memory(), count);
    Changed();
}

void TSkPersistentMemory::Assign(const TSkPersistentMemory* source) {
    if (!source) {
        Clear();
        return;
    }
    if (source == this) return;
    // Copy first: the source's bytes must survive our own change notifications.
    TMemoryStream copy;
    copy.Write(source->Memory(), source->Size());
    LoadFromMemory(copy.Memory(), copy.Size());
}

void TSkPersistentMemory::ReadData(TMemoryStream& stream) {
    uint32_t count = stream.ReadUInt32();
    if (count > stream.Size() - stream.Position()) throw EReadError("Stream read error");
    std::vector<uint8_t> bytes(count);
    stream.ReadBuffer(bytes.data(), count);
    LoadFromMemory(bytes.data(), count);
}

void TSkPersistentMemory::WriteData(TMemoryStream& stream) const {
    stream.WriteUInt32(static_cast<uint32_t>(Size()));
    if (Size() > 0) stream.Write(Memory(), Size());
}

void TSkPersistentMemory::CopyToClipboard(unsigned format) const {
    if (Empty()) return;
    HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, Size());
    if (!global) return;
    std::memcpy(GlobalLock(global), Memory(), Size());
    GlobalUnlock(global);
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        if (SetClipboardData(format, global)) global = nullptr;
        CloseClipboard();
    }
    if (global) GlobalFree(global);
}

void TSkPersistentMemory::PasteFromClipboard(unsigned format) {
    if (!IsClipboardFormatAvailable(format) || !OpenClipboard(nullptr)) return;
    struct ClipboardCloser {
        ~ClipboardCloser() { CloseClipboard(); }
    } closer;
    HANDLE global = GetClipboardData(format);
    if (!global) return;
    const void* bytes = GlobalLock(global);
    size_t size = GlobalSize(global);
    std::vector<uint8_t> copy(static_cast<const uint8_t*>(bytes),
                              static_cast<const uint8_t*>(bytes) + (bytes ? size : 0));
    GlobalUnlock(global);
    LoadFromMemory(copy.data(), copy.size());
}

// ---- TSkWaveImage ---------------------------------------------------------------------

void TSkWaveImage::Validate(const TMemoryStream& incoming) {
    const MultimediaCalls& mm = Multimedia();
    if (!mm.open || !mm.descend || !mm.close)
        throw ESkInvalidWaveOperation("Error reading wave data");
    MMIOINFO info{};
    info.fccIOProc = FOURCC_MEM;
    info.pchBuffer = reinterpret_cast<HPSTR>(const_cast<uint8_t*>(incoming.Memory()));
    info.cchBuffer = static_cast<LONG>(incoming.Size());
    HMMIO file = mm.open(nullptr, &info, MMIO_READ);
    if (!file) throw ESkInvalidWaveOperation("Error reading wave data");
    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    MMRESULT found = mm.descend(file, &riff, nullptr, MMIO_FINDRIFF);
    mm.close(file, 0);
    if (found != MMSYSERR_NOERROR)
        throw ESkInvalidWaveOperation("Wave image is not a valid wave file format");
}

// ---- TSkCustomWave / TSkWave ----------------------------------------------------------

void TSkCustomWave::SetPlayOption(TSkPlayOption option) {
    if (option == playOption_) return;
    Stop();
    static constexpr uint32_t kFlags[] = {SND_ASYNC | SND_NODEFAULT | SND_MEMORY,
                                          SND_NODEFAULT | SND_MEMORY,
                                          SND_ASYNC | SND_NODEFAULT | SND_MEMORY | SND_LOOP};
    flags_ = kFlags[static_cast<int>(option)];
    playOption_ = option;
}

bool TSkCustomWave::Play() {
    const auto playSound = Multimedia().playSound;
    if (!sound_ || !playSound) return false;
    return playSound(static_cast<const char*>(sound_), flags_) != FALSE;
}

void TSkCustomWave::Stop() {
    if (const auto playSound = Multimedia().playSound) playSound(nullptr, 0);
}

TSkWave::TSkWave(TComponent* owner) : TSkCustomWave(owner) {
    sound_.OnChange = [this](TObject*) {
        SetSoundPointer(sound_.Empty() ? nullptr : sound_.Memory());
    };
    sound_.OnChanging = [this](TObject*) {
        // Background playback reads the block that is about to change.
        if (!sound_.Empty() && PlayOption() != TSkPlayOption::poSync) Stop();
    };
}

TSkWave::~TSkWave() {
    // The player may still read our block in the background: stop it before the block
    // is freed.
    if (SoundPointer() && PlayOption() != TSkPlayOption::poSync) Stop();
}

void TSkWave::SetSound(const TSkWaveImage* sound) {
    if (sound == &sound_) return;
    sound_.Assign(sound);
}

bool TSkWave::Play() {
    if (sound_.Empty()) return false;
    return TSkCustomWave::Play();
}

}  // namespace mvt
