// IDEA (Lai and Massey): 64-bit blocks, 128-bit key, 8 rounds and the output transformation.
#pragma once

#include "Cryptcon.h"

#include <cstddef>

class TIDEA : public TCrypto {
public:
    explicit TIDEA(QObject* owner = nullptr);
    ~TIDEA() override;

    void EncipherBlock() override;
    void DecipherBlock() override;
    // Builds EncipherKeys from the 16 bytes of Key and DecipherKeys from EncipherKeys.
    void PrepareKey() override;

    quint8 Rounds = 8;
    quint16 EncipherKeys[52] = {};
    quint16 DecipherKeys[52] = {};

protected:
    void EncipherBlocks(const quint8* in, quint8* out, size_t count) override;
    void DecipherBlocks(const quint8* in, quint8* out, size_t count) override;

private:
    char KeyBuffer[17] = {};
};

// The block loops by instruction set. Best is the widest the CPU offers; every path gives the same bytes.
enum class TIdeaPath { Scalar, SSE2, AVX2, AVX512 };
TIdeaPath IdeaBestPath();
bool IdeaPathAvailable(TIdeaPath path);
const char* IdeaPathName(TIdeaPath path);

// Applies IDEA with the 52 sub-keys to count blocks of 8 bytes; in and out may be the same memory.
void IdeaCryptBlocks(const quint16* subKeys, const quint8* in, quint8* out, size_t count);
void IdeaCryptBlocks(const quint16* subKeys, const quint8* in, quint8* out, size_t count, TIdeaPath path);

// The key schedule on its own: 16 key bytes to the enciphering sub-keys, and their inversion.
void IdeaExpandKey(const quint8* key16, quint16* encipherKeys);
void IdeaInvertKey(const quint16* encipherKeys, quint16* decipherKeys);
