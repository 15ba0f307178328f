// The protected form of a passwords file: the plain text encrypted under a key that the file password
// derives. How a file is encrypted, byte by byte (integers little-endian):
//
//   0  8  signature 89 4B 56 46 0D 0A 1A 0A      20 16  salt
//   8  1  major version 2 (others are refused)   36  1  cipher: 1 = XChaCha20-Poly1305 (IETF)
//   9  1  minor version (any is read)            37 24  nonce
//  10  1  key derivation: 1 = Argon2id 1.3       61 n+16 the plain text encrypted, then its tag
//  11  4  passes (t)     15 4  memory in KiB (m)     19 1  lanes (p): 1
//
// The key is 32 bytes of Argon2id over the password as UTF-8; the 61 header bytes are the associated
// data, so no byte of the file can change unnoticed. The key lives in libsodium's guarded memory.
#pragma once

#include "QsExceptions.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

struct TKYVNProtectionCost {
    quint32 Passes = 3;
    quint32 MemoryKiB = 262144; // 256 MiB
};

// A header the reader refuses (a newer format, settings out of range, too short): told before any key
// is derived, and never a wrong password.
class EKYVNRefusedHeader : public EQsException {
public:
    using EQsException::EQsException;
};

// The body does not open with the key: a wrong password, or a file that was changed or damaged.
class EKYVNWrongPassword : public EQsException {
public:
    EKYVNWrongPassword();
};

class TKYVNProtectedForm {
public:
    static constexpr int HeaderSize = 61;
    static constexpr int TagSize = 16;
    static constexpr int SmallestFile = HeaderSize + TagSize;

    TKYVNProtectedForm();
    ~TKYVNProtectedForm();
    TKYVNProtectedForm(const TKYVNProtectedForm&) = delete;
    TKYVNProtectedForm& operator=(const TKYVNProtectedForm&) = delete;

    // The file begins with the protected form's signature.
    static bool Recognise(QByteArrayView file);
    // Checks the header alone; raises EKYVNRefusedHeader saying what is refused. Returns its cost.
    static TKYVNProtectionCost CheckHeader(QByteArrayView file);
    // "Argon2id, 256 MiB, 3 passes; XChaCha20-Poly1305"
    static QString Describe(const TKYVNProtectionCost& cost);

    // The cost of every key derived for a new file or a new password. Shipped programs keep the
    // default; tests lower it here (and only here) so that their runs stay short.
    static void SetCostOfNewKeys(const TKYVNProtectionCost& cost);
    static TKYVNProtectionCost CostOfNewKeys();
    // How many keys this process has derived: lets tests and the fuzzer see that a refused header cost
    // no derivation.
    static quint64 Derivations();

    // Checks the header, derives the key from password and opens the body: its plain text, in memory
    // that the caller wipes. Raises EKYVNRefusedHeader or EKYVNWrongPassword. The key, salt and cost are
    // kept for later seals.
    QByteArray Open(QByteArrayView file, const QString& password);
    // Opens a file with the kept key, deriving nothing (the check of what a save wrote).
    QByteArray Reopen(QByteArrayView file) const;
    // The whole file for plain, under a new nonce. The kept key serves when it was derived from
    // password; otherwise a new salt and key are drawn at the cost of new keys.
    QByteArray Seal(QByteArrayView plain, const QString& password);
    // Drops the kept key: the next seal draws a new salt and key.
    void Forget();
    bool HasKey() const { return hasKey_; }
    // The cost of the kept key, or of new keys when none is kept.
    TKYVNProtectionCost Cost() const;

private:
    void derive(const QString& password);
    bool keptFor(const QString& password) const;

    unsigned char* secure_ = nullptr; // sodium_malloc: the key, then a hash of its password
    bool hasKey_ = false;
    unsigned char salt_[16] = {};
    TKYVNProtectionCost cost_;
};

// Keeps a buffer of plain text locked in memory while it lives (where the memory-lock limit allows)
// and wipes it when it goes.
class TKYVNPlainGuard {
public:
    explicit TKYVNPlainGuard(QByteArray& bytes);
    ~TKYVNPlainGuard();
    TKYVNPlainGuard(const TKYVNPlainGuard&) = delete;
    TKYVNPlainGuard& operator=(const TKYVNPlainGuard&) = delete;

private:
    QByteArray& bytes_;
    bool locked_ = false;
};
