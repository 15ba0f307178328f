// IDEA with AVX2: 16 blocks per batch of four registers. Only called when the CPU has AVX2.
#if defined(__x86_64__) || defined(__i386__)

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC target("avx2")
#endif

#include <immintrin.h>

#include "IdeaLanes.h"

namespace {

struct Avx2 {
    using T = __m256i;
    struct Key {
        __m256i k, kc, kz;
    };
    static Key makeKey(uint16_t v) {
        return {_mm256_set1_epi16(short(v)), _mm256_set1_epi16(short(uint16_t(1 - v))),
                _mm256_set1_epi16(short(-int(v == 0)))};
    }
    static T load(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static void store(uint8_t* p, T v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
    static T add(T a, T b) { return _mm256_add_epi16(a, b); }
    static T xor_(T a, T b) { return _mm256_xor_si256(a, b); }
    static T bswap(T v) {
        const T order = _mm256_setr_epi8(1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10, 13, 12, 15, 14, 1, 0, 3, 2, 5, 4, 7, 6,
                                         9, 8, 11, 10, 13, 12, 15, 14);
        return _mm256_shuffle_epi8(v, order);
    }
    static T unpacklo16(T a, T b) { return _mm256_unpacklo_epi16(a, b); }
    static T unpackhi16(T a, T b) { return _mm256_unpackhi_epi16(a, b); }
    static T unpacklo32(T a, T b) { return _mm256_unpacklo_epi32(a, b); }
    static T unpackhi32(T a, T b) { return _mm256_unpackhi_epi32(a, b); }
    static T unpacklo64(T a, T b) { return _mm256_unpacklo_epi64(a, b); }
    static T unpackhi64(T a, T b) { return _mm256_unpackhi_epi64(a, b); }
    // As in the SSE2 unit: (lo - hi) plus one when lo < hi; 1 - x - k when either factor is 0.
    static T mul(T x, const Key& k) {
        const T zero = _mm256_setzero_si256();
        const T lo = _mm256_mullo_epi16(x, k.k), hi = _mm256_mulhi_epu16(x, k.k);
        const T noBorrow = _mm256_cmpeq_epi16(_mm256_subs_epu16(hi, lo), zero);
        const T t = _mm256_add_epi16(_mm256_sub_epi16(lo, hi), _mm256_add_epi16(noBorrow, _mm256_set1_epi16(1)));
        const T z = _mm256_or_si256(_mm256_cmpeq_epi16(x, zero), k.kz);
        return _mm256_blendv_epi8(t, _mm256_sub_epi16(k.kc, x), z);
    }
};

} // namespace

size_t IdeaBlocksAvx2(const uint16_t* subKeys, const uint8_t* in, uint8_t* out, size_t blocks) {
    return IdeaLanes::Blocks<Avx2, 2>(subKeys, in, out, blocks);
}

#if defined(__clang__)
#pragma clang attribute pop
#endif

#endif
