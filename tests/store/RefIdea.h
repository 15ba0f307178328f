// An IDEA written the textbook way, independent of the program's: arithmetic modulo 65537 with
// 0 read as 65536, sub-keys from the 128-bit key rotated 25 bits at a time, one block at a time.
#pragma once

#include <QByteArray>

namespace RefIdea {

inline quint16 mul(quint16 a, quint16 b) {
    const quint64 x = a ? a : 65536, y = b ? b : 65536;
    const quint64 r = x * y % 65537;
    return quint16(r == 65536 ? 0 : r);
}

inline void keys(const QByteArray& key, quint16* ek) {
    QByteArray k = key;
    for (int i = 0; i < 52; ++i) {
        if (i > 0 && i % 8 == 0) {
            for (int n = 0; n < 25; ++n) {
                const quint8 top = quint8(k[0]) >> 7;
                for (int b = 0; b < 16; ++b)
                    k[b] = char(quint8(k[b]) << 1 | (b < 15 ? quint8(k[b + 1]) >> 7 : top));
            }
        }
        ek[i] = quint16(quint8(k[2 * (i % 8)]) << 8 | quint8(k[2 * (i % 8) + 1]));
    }
}

inline QByteArray encipherBlock(const quint16* k, const QByteArray& block) {
    quint16 x[4];
    for (int i = 0; i < 4; ++i)
        x[i] = quint16(quint8(block[2 * i]) << 8 | quint8(block[2 * i + 1]));
    for (int r = 0; r < 8; ++r) {
        const quint16* s = k + 6 * r;
        const quint16 a = mul(x[0], s[0]), b = quint16(x[1] + s[1]), c = quint16(x[2] + s[2]), d = mul(x[3], s[3]);
        const quint16 e = mul(a ^ c, s[4]);
        const quint16 f = mul(quint16((b ^ d) + e), s[5]);
        const quint16 g = quint16(e + f);
        x[0] = a ^ f;
        x[1] = c ^ f;
        x[2] = b ^ g;
        x[3] = d ^ g;
    }
    const quint16 y[4] = {mul(x[0], k[48]), quint16(x[2] + k[49]), quint16(x[1] + k[50]), mul(x[3], k[51])};
    QByteArray out(8, '\0');
    for (int i = 0; i < 4; ++i) {
        out[2 * i] = char(y[i] >> 8);
        out[2 * i + 1] = char(y[i]);
    }
    return out;
}

// A passwords file's cipher: ECB under all-zero sub-keys, which are their own inverse, so the same
// function enciphers and deciphers. The input is padded with zero bytes to whole blocks.
inline QByteArray zeroKeyEcb(QByteArray data) {
    const quint16 zero[52] = {};
    while (data.size() % 8)
        data.append('\0');
    QByteArray out;
    for (qsizetype off = 0; off < data.size(); off += 8)
        out += encipherBlock(zero, data.mid(off, 8));
    return out;
}

} // namespace RefIdea
