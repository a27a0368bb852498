#include "framework/sha256.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <vector>

#include "framework/system_library.h"

namespace mvt {

namespace {

bool Succeeded(NTSTATUS status) {
    return status >= 0;
}

std::string HexText(const unsigned char* bytes, size_t count) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (size_t n = 0; n < count; ++n) {
        text += kDigits[bytes[n] >> 4];
        text += kDigits[bytes[n] & 15];
    }
    return text;
}

// The system's SHA-256 provider and one hash object, closed on destruction.
class Sha256 {
  public:
    explicit Sha256(const TSystemLibrary& bcrypt)
        : close_(bcrypt.Entry<decltype(&::BCryptCloseAlgorithmProvider)>(
              "BCryptCloseAlgorithmProvider")),
          destroy_(bcrypt.Entry<decltype(&::BCryptDestroyHash)>("BCryptDestroyHash")),
          data_(bcrypt.Entry<decltype(&::BCryptHashData)>("BCryptHashData")),
          finish_(bcrypt.Entry<decltype(&::BCryptFinishHash)>("BCryptFinishHash")) {
        const auto open =
            bcrypt.Entry<decltype(&::BCryptOpenAlgorithmProvider)>("BCryptOpenAlgorithmProvider");
        const auto create = bcrypt.Entry<decltype(&::BCryptCreateHash)>("BCryptCreateHash");
        if (!open || !create || !close_ || !destroy_ || !data_ || !finish_) return;
        if (!Succeeded(open(&algorithm_, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
            algorithm_ = nullptr;
            return;
        }
        if (!Succeeded(create(algorithm_, &hash_, nullptr, 0, nullptr, 0, 0))) hash_ = nullptr;
    }
    ~Sha256() {
        if (hash_) destroy_(hash_);
        if (algorithm_) close_(algorithm_, 0);
    }
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    // The digest of `bytes`; empty on failure.
    std::vector<unsigned char> Digest(const std::string& bytes) {
        if (!hash_) return {};
        // The system takes at most 4 GiB per call.
        constexpr size_t kStep = 1u << 30;
        for (size_t done = 0; done < bytes.size(); done += kStep) {
            auto* data = reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data() + done));
            const ULONG size = static_cast<ULONG>(std::min(kStep, bytes.size() - done));
            if (!Succeeded(data_(hash_, data, size, 0))) return {};
        }
        std::vector<unsigned char> digest(32);
        if (!Succeeded(finish_(hash_, digest.data(), static_cast<ULONG>(digest.size()), 0)))
            return {};
        return digest;
    }

  private:
    decltype(&::BCryptCloseAlgorithmProvider) close_;
    decltype(&::BCryptDestroyHash) destroy_;
    decltype(&::BCryptHashData) data_;
    decltype(&::BCryptFinishHash) finish_;
    BCRYPT_ALG_HANDLE algorithm_ = nullptr;
    BCRYPT_HASH_HANDLE hash_ = nullptr;
};

}  // namespace

std::string Sha256Hex(const std::string& bytes) {
    const TSystemLibrary bcrypt("bcrypt.dll");
    Sha256 sha(bcrypt);
    const std::vector<unsigned char> digest = sha.Digest(bytes);
    return HexText(digest.data(), digest.size());
}

std::string SystemRandomHex(size_t count) {
    const TSystemLibrary bcrypt("bcrypt.dll");
    const auto generate = bcrypt.Entry<decltype(&::BCryptGenRandom)>("BCryptGenRandom");
    std::vector<unsigned char> bytes(count);
    if (!generate || !Succeeded(generate(nullptr, bytes.data(), static_cast<ULONG>(count),
                                         BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        return {};
    return HexText(bytes.data(), bytes.size());
}

}  // namespace mvt
