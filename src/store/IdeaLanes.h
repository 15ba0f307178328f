// IDEA on many blocks at once, written once for any vector type with 16-bit lanes.
// Included only by the per-instruction-set units (IdeaSse2.cpp, IdeaAvx2.cpp, IdeaAvx512.cpp), which
// compile it for their own target; it must stay free of headers with inline code of their own.
#pragma once

#include <cstddef>
#include <cstdint>

namespace IdeaLanes {

// V supplies: T (the vector), Key (a broadcast sub-key with what mul needs), makeKey, load, store,
// add, xor_, mul, bswap and the unpack operations per 128-bit lane.
// One batch is four vectors: 4 * sizeof(T) bytes, that is sizeof(T) / 2 blocks.
template <class V, int U> inline void Batches(const typename V::Key* keys, const uint8_t* in, uint8_t* out) {
    using T = typename V::T;
    constexpr size_t step = 4 * sizeof(T);
    T x[U][4];
    // Gather word j of every block into vector j. Within each 128-bit lane the registers hold two
    // blocks each; three rounds of unpacking turn 8 blocks x 4 words into 4 words x 8 blocks.
    for (int u = 0; u < U; ++u) {
        const uint8_t* p = in + u * step;
        const T r0 = V::bswap(V::load(p)), r1 = V::bswap(V::load(p + sizeof(T)));
        const T r2 = V::bswap(V::load(p + 2 * sizeof(T))), r3 = V::bswap(V::load(p + 3 * sizeof(T)));
        const T t0 = V::unpacklo16(r0, r1), t1 = V::unpackhi16(r0, r1);
        const T t2 = V::unpacklo16(r2, r3), t3 = V::unpackhi16(r2, r3);
        const T u0 = V::unpacklo16(t0, t1), u1 = V::unpackhi16(t0, t1);
        const T u2 = V::unpacklo16(t2, t3), u3 = V::unpackhi16(t2, t3);
        x[u][0] = V::unpacklo64(u0, u2);
        x[u][1] = V::unpackhi64(u0, u2);
        x[u][2] = V::unpacklo64(u1, u3);
        x[u][3] = V::unpackhi64(u1, u3);
    }
    for (int r = 0; r < 8; ++r) {
        const typename V::Key* k = keys + 6 * r;
        for (int u = 0; u < U; ++u) {
            T x1 = V::mul(x[u][0], k[0]);
            T x2 = V::add(x[u][1], k[1].k);
            T x3 = V::add(x[u][2], k[2].k);
            T x4 = V::mul(x[u][3], k[3]);
            const T s3 = x3;
            x3 = V::mul(V::xor_(x3, x1), k[4]);
            const T s2 = x2;
            x2 = V::mul(V::add(V::xor_(x2, x4), x3), k[5]);
            x3 = V::add(x3, x2);
            x[u][0] = V::xor_(x1, x2);
            x[u][3] = V::xor_(x4, x3);
            x[u][1] = V::xor_(x2, s3);
            x[u][2] = V::xor_(x3, s2);
        }
    }
    for (int u = 0; u < U; ++u) {
        // Output transformation; it undoes the last round's swap of the middle words.
        const T y1 = V::mul(x[u][0], keys[48]);
        const T y2 = V::add(x[u][2], keys[49].k);
        const T y3 = V::add(x[u][1], keys[50].k);
        const T y4 = V::mul(x[u][3], keys[51]);
        const T v0 = V::unpacklo16(y1, y2), v1 = V::unpackhi16(y1, y2);
        const T v2 = V::unpacklo16(y3, y4), v3 = V::unpackhi16(y3, y4);
        uint8_t* p = out + u * step;
        V::store(p, V::bswap(V::unpacklo32(v0, v2)));
        V::store(p + sizeof(T), V::bswap(V::unpackhi32(v0, v2)));
        V::store(p + 2 * sizeof(T), V::bswap(V::unpacklo32(v1, v3)));
        V::store(p + 3 * sizeof(T), V::bswap(V::unpackhi32(v1, v3)));
    }
}

// Processes as many whole groups of U batches as the count allows; returns the blocks done.
template <class V, int U>
inline size_t Blocks(const uint16_t* subKeys, const uint8_t* in, uint8_t* out, size_t blocks) {
    constexpr size_t perCall = U * 4 * sizeof(typename V::T) / 8;
    if (blocks < perCall)
        return 0;
    typename V::Key keys[52];
    for (int i = 0; i < 52; ++i)
        keys[i] = V::makeKey(subKeys[i]);
    size_t done = 0;
    for (; done + perCall <= blocks; done += perCall)
        Batches<V, U>(keys, in + 8 * done, out + 8 * done);
    return done;
}

} // namespace IdeaLanes
