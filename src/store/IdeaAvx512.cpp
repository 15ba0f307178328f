// IDEA with AVX-512BW: 32 blocks per batch of four registers, using mask registers for the
// corrections of the multiplication. Only called when the CPU has AVX-512F and AVX-512BW.
#if defined(__x86_64__) || defined(__i386__)

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw"))), apply_to = function)
#else
#pragma GCC target("avx512f,avx512bw")
// GCC 12 warns about the undefined pass-through operand inside its own unpack intrinsics.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <immintrin.h>

#include "IdeaLanes.h"

namespace {

struct Avx512 {
    using T = __m512i;
    struct Key {
        __m512i k, kc;
        __mmask32 kz;
    };
    static Key makeKey(uint16_t v) {
        return {_mm512_set1_epi16(short(v)), _mm512_set1_epi16(short(uint16_t(1 - v))), __mmask32(-int32_t(v == 0))};
    }
    static T load(const uint8_t* p) { return _mm512_loadu_si512(p); }
    static void store(uint8_t* p, T v) { _mm512_storeu_si512(p, v); }
    static T add(T a, T b) { return _mm512_add_epi16(a, b); }
    static T xor_(T a, T b) { return _mm512_xor_si512(a, b); }
    static T bswap(T v) {
        const T order = _mm512_set4_epi32(0x0e0f0c0d, 0x0a0b0809, 0x06070405, 0x02030001);
        return _mm512_shuffle_epi8(v, order);
    }
    static T unpacklo16(T a, T b) { return _mm512_unpacklo_epi16(a, b); }
    static T unpackhi16(T a, T b) { return _mm512_unpackhi_epi16(a, b); }
    static T unpacklo32(T a, T b) { return _mm512_unpacklo_epi32(a, b); }
    static T unpackhi32(T a, T b) { return _mm512_unpackhi_epi32(a, b); }
    static T unpacklo64(T a, T b) { return _mm512_unpacklo_epi64(a, b); }
    static T unpackhi64(T a, T b) { return _mm512_unpackhi_epi64(a, b); }
    // (lo - hi) plus one where lo < hi; 1 - x - k where either factor is 0.
    static T mul(T x, const Key& k) {
        const T lo = _mm512_mullo_epi16(x, k.k), hi = _mm512_mulhi_epu16(x, k.k);
        const T d = _mm512_sub_epi16(lo, hi);
        const T t = _mm512_mask_sub_epi16(d, _mm512_cmplt_epu16_mask(lo, hi), d, _mm512_set1_epi16(-1));
        const __mmask32 z = _mm512_cmpeq_epi16_mask(x, _mm512_setzero_si512()) | k.kz;
        return _mm512_mask_sub_epi16(t, z, k.kc, x);
    }
};

} // namespace

size_t IdeaBlocksAvx512(const uint16_t* subKeys, const uint8_t* in, uint8_t* out, size_t blocks) {
    return IdeaLanes::Blocks<Avx512, 2>(subKeys, in, out, blocks);
}

#if defined(__clang__)
#pragma clang attribute pop
#endif

#endif
