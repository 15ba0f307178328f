// IDEA with SSE2 (part of every x86-64 CPU): 8 blocks per batch of four registers.
#if defined(__x86_64__) || defined(__i386__)

#include <emmintrin.h>

#include "IdeaLanes.h"

namespace {

struct Sse2 {
    using T = __m128i;
    struct Key {
        __m128i k, kc, kz;
    };
    static Key makeKey(uint16_t v) {
        return {_mm_set1_epi16(short(v)), _mm_set1_epi16(short(uint16_t(1 - v))), _mm_set1_epi16(short(-int(v == 0)))};
    }
    static T load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static void store(uint8_t* p, T v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
    static T add(T a, T b) { return _mm_add_epi16(a, b); }
    static T xor_(T a, T b) { return _mm_xor_si128(a, b); }
    static T bswap(T v) { return _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8)); }
    static T unpacklo16(T a, T b) { return _mm_unpacklo_epi16(a, b); }
    static T unpackhi16(T a, T b) { return _mm_unpackhi_epi16(a, b); }
    static T unpacklo32(T a, T b) { return _mm_unpacklo_epi32(a, b); }
    static T unpackhi32(T a, T b) { return _mm_unpackhi_epi32(a, b); }
    static T unpacklo64(T a, T b) { return _mm_unpacklo_epi64(a, b); }
    static T unpackhi64(T a, T b) { return _mm_unpackhi_epi64(a, b); }
    // x * k modulo 65537 with 0 standing for 65536, without branches: (lo - hi) plus one when lo < hi;
    // when either factor is 0 the product is 1 - x - k.
    static T mul(T x, const Key& k) {
        const T zero = _mm_setzero_si128();
        const T lo = _mm_mullo_epi16(x, k.k), hi = _mm_mulhi_epu16(x, k.k);
        const T noBorrow = _mm_cmpeq_epi16(_mm_subs_epu16(hi, lo), zero);
        const T t = _mm_add_epi16(_mm_sub_epi16(lo, hi), _mm_add_epi16(noBorrow, _mm_set1_epi16(1)));
        const T z = _mm_or_si128(_mm_cmpeq_epi16(x, zero), k.kz);
        return _mm_or_si128(_mm_and_si128(z, _mm_sub_epi16(k.kc, x)), _mm_andnot_si128(z, t));
    }
};

} // namespace

size_t IdeaBlocksSse2(const uint16_t* subKeys, const uint8_t* in, uint8_t* out, size_t blocks) {
    return IdeaLanes::Blocks<Sse2, 2>(subKeys, in, out, blocks);
}

#endif
