#include "Ideaunit.h"

#include <array>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
size_t IdeaBlocksSse2(const uint16_t* subKeys, const uint8_t* in, uint8_t* out, size_t blocks);
size_t IdeaBlocksAvx2(const uint16_t* subKeys, const uint8_t* in, uint8_t* out, size_t blocks);
size_t IdeaBlocksAvx512(const uint16_t* subKeys, const uint8_t* in, uint8_t* out, size_t blocks);
#define KEYVANE_IDEA_X86 1
#endif

namespace {

// x * y modulo 65537, where 0 stands for 65536. No branch: the zero case is chosen by a mask.
inline uint16_t mul(uint16_t x, uint16_t y) {
    const uint32_t p = uint32_t(x) * y;
    const uint16_t lo = uint16_t(p), hi = uint16_t(p >> 16);
    const uint16_t r = uint16_t(lo - hi + (lo < hi));
    const uint16_t rz = uint16_t(1 - x - y);
    const uint16_t zeroMask = uint16_t(-uint16_t(p == 0));
    return uint16_t((r & ~zeroMask) | (rz & zeroMask));
}

// The multiplicative inverse: x^65535 (0 and 1 are their own inverses).
uint16_t mulInverse(uint16_t x) {
    uint16_t result = 1;
    for (int bit = 0; bit < 16; ++bit) {
        result = mul(result, result);
        result = mul(result, x); // every bit of 65535 is set
    }
    return result;
}

void scalarBlock(const uint16_t* k, const uint8_t* in, uint8_t* out) {
    uint16_t x1 = uint16_t(in[0] << 8 | in[1]), x2 = uint16_t(in[2] << 8 | in[3]);
    uint16_t x3 = uint16_t(in[4] << 8 | in[5]), x4 = uint16_t(in[6] << 8 | in[7]);
    for (int r = 0; r < 8; ++r, k += 6) {
        x1 = mul(x1, k[0]);
        x2 = uint16_t(x2 + k[1]);
        x3 = uint16_t(x3 + k[2]);
        x4 = mul(x4, k[3]);
        const uint16_t s3 = x3;
        x3 = mul(x3 ^ x1, k[4]);
        const uint16_t s2 = x2;
        x2 = mul(uint16_t((x2 ^ x4) + x3), k[5]);
        x3 = uint16_t(x3 + x2);
        x1 ^= x2;
        x4 ^= x3;
        x2 ^= s3;
        x3 ^= s2;
    }
    // Output transformation; it undoes the last round's swap of the middle words.
    const uint16_t y[4] = {mul(x1, k[0]), uint16_t(x3 + k[1]), uint16_t(x2 + k[2]), mul(x4, k[3])};
    for (int i = 0; i < 4; ++i) {
        out[2 * i] = uint8_t(y[i] >> 8);
        out[2 * i + 1] = uint8_t(y[i]);
    }
}

size_t scalarBlocks(const uint16_t* k, const uint8_t* in, uint8_t* out, size_t count) {
    for (size_t i = 0; i < count; ++i)
        scalarBlock(k, in + 8 * i, out + 8 * i);
    return count;
}

} // namespace

void IdeaExpandKey(const quint8* key16, quint16* ek) {
    std::array<uint8_t, 16> key;
    std::memcpy(key.data(), key16, 16);
    for (int i = 0; i < 52; ++i) {
        const int j = i % 8;
        if (i > 0 && j == 0) {
            // The 128-bit key rotated left by 25 bits gives the next eight sub-keys.
            std::array<uint8_t, 16> rotated;
            for (int b = 0; b < 16; ++b)
                rotated[b] = uint8_t(key[(b + 3) % 16] << 1 | key[(b + 4) % 16] >> 7);
            key = rotated;
        }
        ek[i] = uint16_t(key[2 * j] << 8 | key[2 * j + 1]);
    }
}

void IdeaInvertKey(const quint16* ek, quint16* dk) {
    dk[51] = mulInverse(ek[3]);
    dk[50] = uint16_t(-ek[2]);
    dk[49] = uint16_t(-ek[1]);
    dk[48] = mulInverse(ek[0]);
    for (int i = 1, c = 47; i < 8; ++i, c -= 6) {
        dk[c] = ek[6 * i - 1];
        dk[c - 1] = ek[6 * i - 2];
        dk[c - 2] = mulInverse(ek[6 * i + 3]);
        dk[c - 3] = uint16_t(-ek[6 * i + 1]); // the inner rounds swap the two additive sub-keys
        dk[c - 4] = uint16_t(-ek[6 * i + 2]);
        dk[c - 5] = mulInverse(ek[6 * i]);
    }
    dk[5] = ek[47];
    dk[4] = ek[46];
    dk[3] = mulInverse(ek[51]);
    dk[2] = uint16_t(-ek[50]);
    dk[1] = uint16_t(-ek[49]);
    dk[0] = mulInverse(ek[48]);
}

bool IdeaPathAvailable(TIdeaPath path) {
    switch (path) {
    case TIdeaPath::Scalar:
        return true;
#ifdef KEYVANE_IDEA_X86
    case TIdeaPath::SSE2:
        return true;
    case TIdeaPath::AVX2:
        return __builtin_cpu_supports("avx2");
    case TIdeaPath::AVX512:
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
#endif
    default:
        return false;
    }
}

TIdeaPath IdeaBestPath() {
    static const TIdeaPath best = [] {
        for (TIdeaPath p : {TIdeaPath::AVX512, TIdeaPath::AVX2, TIdeaPath::SSE2})
            if (IdeaPathAvailable(p))
                return p;
        return TIdeaPath::Scalar;
    }();
    return best;
}

const char* IdeaPathName(TIdeaPath path) {
    switch (path) {
    case TIdeaPath::SSE2:
        return "SSE2";
    case TIdeaPath::AVX2:
        return "AVX2";
    case TIdeaPath::AVX512:
        return "AVX-512";
    default:
        return "scalar";
    }
}

void IdeaCryptBlocks(const quint16* subKeys, const quint8* in, quint8* out, size_t count, TIdeaPath path) {
    size_t done = 0;
#ifdef KEYVANE_IDEA_X86
    // The wide paths take whole batches; each narrower one picks up what is left.
    if (path >= TIdeaPath::AVX512)
        done += IdeaBlocksAvx512(subKeys, in, out, count);
    if (path >= TIdeaPath::AVX2)
        done += IdeaBlocksAvx2(subKeys, in + 8 * done, out + 8 * done, count - done);
    if (path >= TIdeaPath::SSE2)
        done += IdeaBlocksSse2(subKeys, in + 8 * done, out + 8 * done, count - done);
#else
    (void)path;
#endif
    scalarBlocks(subKeys, in + 8 * done, out + 8 * done, count - done);
}

void IdeaCryptBlocks(const quint16* subKeys, const quint8* in, quint8* out, size_t count) {
    IdeaCryptBlocks(subKeys, in, out, count, IdeaBestPath());
}

TIDEA::TIDEA(QObject* owner) : TCrypto(owner) {
    BlockSize = 8;
}

TIDEA::~TIDEA() {
    std::memset(KeyBuffer, 0, sizeof KeyBuffer);
    std::memset(EncipherKeys, 0, sizeof EncipherKeys);
    std::memset(DecipherKeys, 0, sizeof DecipherKeys);
}

void TIDEA::EncipherBlock() {
    scalarBlocks(EncipherKeys, WorkBlock, WorkBlock, 1);
}

void TIDEA::DecipherBlock() {
    scalarBlocks(DecipherKeys, WorkBlock, WorkBlock, 1);
}

void TIDEA::PrepareKey() {
    // A key shorter than 16 bytes is completed with zero bytes; a longer one is cut.
    std::memset(KeyBuffer, 0, sizeof KeyBuffer);
    std::memcpy(KeyBuffer, Key.constData(), size_t(std::min<qsizetype>(Key.size(), 16)));
    IdeaExpandKey(reinterpret_cast<const quint8*>(KeyBuffer), EncipherKeys);
    IdeaInvertKey(EncipherKeys, DecipherKeys);
}

void TIDEA::EncipherBlocks(const quint8* in, quint8* out, size_t count) {
    IdeaCryptBlocks(EncipherKeys, in, out, count);
}

void TIDEA::DecipherBlocks(const quint8* in, quint8* out, size_t count) {
    IdeaCryptBlocks(DecipherKeys, in, out, count);
}
