#include "crc32_fast.h"

#include <zlib.h>

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>
#define ZIPLIB_CLMUL 1
#endif

namespace ziplib {

#ifdef ZIPLIB_CLMUL
namespace {

#define ZIPLIB_CLMUL_TARGET __attribute__((target("pclmul,sse4.1")))

ZIPLIB_CLMUL_TARGET inline __m128i Load(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// One folding step: the accumulator times the two halves of k, plus the next 16 bytes.
ZIPLIB_CLMUL_TARGET inline __m128i Fold(__m128i acc, __m128i k, __m128i next) {
    const __m128i low = _mm_clmulepi64_si128(acc, k, 0x00);
    const __m128i high = _mm_clmulepi64_si128(acc, k, 0x11);
    return _mm_xor_si128(_mm_xor_si128(high, low), next);
}

// Folds 64-byte blocks with PCLMULQDQ and reduces with Barrett's method, after Intel's paper
// "Fast CRC Computation for Generic Polynomials Using PCLMULQDQ Instruction". The constants
// are the paper's, for the bit-reflected zip polynomial 0xEDB88320. Works on the inverted
// CRC; `size` is at least 64 and a multiple of 16.
ZIPLIB_CLMUL_TARGET uint32_t FoldCrc(uint32_t crc, const uint8_t* buf, size_t size) {
    alignas(16) static const uint64_t k1k2[] = {0x0154442bd4, 0x01c6e41596};
    alignas(16) static const uint64_t k3k4[] = {0x01751997d0, 0x00ccaa009e};
    alignas(16) static const uint64_t k5k0[] = {0x0163cd6124, 0x0000000000};
    alignas(16) static const uint64_t poly[] = {0x01db710641, 0x01f7011641};
    __m128i x1 = _mm_xor_si128(Load(buf), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x2 = Load(buf + 16);
    __m128i x3 = Load(buf + 32);
    __m128i x4 = Load(buf + 48);
    buf += 64;
    size -= 64;
    __m128i k = _mm_load_si128(reinterpret_cast<const __m128i*>(k1k2));
    for (; size >= 64; buf += 64, size -= 64) {
        x1 = Fold(x1, k, Load(buf));
        x2 = Fold(x2, k, Load(buf + 16));
        x3 = Fold(x3, k, Load(buf + 32));
        x4 = Fold(x4, k, Load(buf + 48));
    }
    k = _mm_load_si128(reinterpret_cast<const __m128i*>(k3k4));
    x1 = Fold(x1, k, x2);
    x1 = Fold(x1, k, x3);
    x1 = Fold(x1, k, x4);
    for (; size >= 16; buf += 16, size -= 16) x1 = Fold(x1, k, Load(buf));

    // 128 bits to 64.
    const __m128i mask = _mm_setr_epi32(~0, 0, ~0, 0);
    x2 = _mm_clmulepi64_si128(x1, k, 0x10);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x2);
    k = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(k5k0));
    x2 = _mm_srli_si128(x1, 4);
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, mask), k, 0x00), x2);

    // Barrett reduction to 32 bits.
    k = _mm_load_si128(reinterpret_cast<const __m128i*>(poly));
    x2 = _mm_and_si128(x1, mask);
    x2 = _mm_clmulepi64_si128(x2, k, 0x10);
    x2 = _mm_and_si128(x2, mask);
    x2 = _mm_clmulepi64_si128(x2, k, 0x00);
    x1 = _mm_xor_si128(x1, x2);
    return static_cast<uint32_t>(_mm_extract_epi32(x1, 1));
}

bool HasClmul() {
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    }();
    return has;
}

}  // namespace
#endif

uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t size) {
#ifdef ZIPLIB_CLMUL
    if (size >= 64 && HasClmul()) {
        const size_t folded = size & ~size_t{15};
        crc = ~FoldCrc(~crc, data, folded);
        data += folded;
        size -= folded;
    }
#endif
    return static_cast<uint32_t>(crc32(crc, data, static_cast<uInt>(size)));
}

}  // namespace ziplib
