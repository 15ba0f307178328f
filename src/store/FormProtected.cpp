#include "FormProtected.h"

#include <sodium.h>

#include <atomic>
#include <cstring>
#include <mutex>

namespace {

const unsigned char kSignature[8] = {0x89, 0x4B, 0x56, 0x46, 0x0D, 0x0A, 0x1A, 0x0A};
constexpr unsigned char kMajor = 2;
constexpr unsigned char kMinor = 0;
constexpr unsigned char kArgon2id13 = 1;
constexpr unsigned char kXChaCha20Poly1305 = 1;
constexpr quint32 kMostPasses = 64;
constexpr quint32 kLeastMemoryKiB = 8192;
constexpr quint32 kMostMemoryKiB = 4194304;
constexpr int kSaltAt = 20, kCipherAt = 36, kNonceAt = 37;
constexpr size_t kKeySize = crypto_aead_xchacha20poly1305_ietf_KEYBYTES;
constexpr size_t kHashSize = crypto_generichash_BYTES;

static_assert(crypto_aead_xchacha20poly1305_ietf_NPUBBYTES == 24);
static_assert(crypto_aead_xchacha20poly1305_ietf_ABYTES == TKYVNProtectedForm::TagSize);
static_assert(crypto_pwhash_SALTBYTES == 16);

TKYVNProtectionCost costOfNewKeys;
std::mutex costLock;
std::atomic<quint64> derivations{0};

void ensureSodium() {
    static const int ready = sodium_init();
    if (ready < 0)
        throw EQsException(QStringLiteral("The cryptography library could not start."));
}

quint32 readLe32(const unsigned char* p) {
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

void writeLe32(unsigned char* p, quint32 v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

const unsigned char* bytesOf(QByteArrayView v) {
    return reinterpret_cast<const unsigned char*>(v.data());
}

[[noreturn]] void refuse(const QString& why) {
    throw EKYVNRefusedHeader(why, QString(), 1);
}

// The password as UTF-8 in a buffer that is wiped when it goes.
struct TUtf8Password {
    explicit TUtf8Password(const QString& password) : bytes(password.toUtf8()) {}
    ~TUtf8Password() {
        if (!bytes.isEmpty())
            sodium_memzero(bytes.data(), size_t(bytes.size()));
    }
    QByteArray bytes;
};

} // namespace

EKYVNWrongPassword::EKYVNWrongPassword()
    : EQsException(QStringLiteral("The password is wrong, or the file was changed or damaged."), QString(), 1) {}

TKYVNProtectedForm::TKYVNProtectedForm() : cost_(CostOfNewKeys()) {}

TKYVNProtectedForm::~TKYVNProtectedForm() {
    if (secure_)
        sodium_free(secure_); // wipes before it gives the pages back
}

bool TKYVNProtectedForm::Recognise(QByteArrayView file) {
    return file.size() >= qsizetype(sizeof kSignature) && std::memcmp(file.data(), kSignature, sizeof kSignature) == 0;
}

TKYVNProtectionCost TKYVNProtectedForm::CheckHeader(QByteArrayView file) {
    if (!Recognise(file))
        refuse(QStringLiteral("This is not a protected passwords file."));
    const unsigned char* p = bytesOf(file);
    // The version first: a newer format may be laid out otherwise, even in its length.
    if (file.size() > 8 && p[8] != kMajor)
        refuse(QStringLiteral("This file was made by a newer version of Keyvane (file format %1.%2); this version "
                              "reads format %3.")
                   .arg(p[8])
                   .arg(file.size() > 9 ? p[9] : 0)
                   .arg(kMajor));
    if (file.size() < SmallestFile)
        refuse(QStringLiteral("This protected passwords file is cut short: it holds %1 bytes, and even an empty one "
                              "holds %2.")
                   .arg(file.size())
                   .arg(SmallestFile));
    if (p[10] != kArgon2id13)
        refuse(QStringLiteral("This file asks for a key derivation this version of Keyvane does not know (%1).")
                   .arg(p[10]));
    if (p[kCipherAt] != kXChaCha20Poly1305)
        refuse(QStringLiteral("This file asks for a cipher this version of Keyvane does not know (%1).")
                   .arg(p[kCipherAt]));
    TKYVNProtectionCost cost;
    cost.Passes = readLe32(p + 11);
    cost.MemoryKiB = readLe32(p + 15);
    if (p[19] != 1)
        refuse(QStringLiteral("This file asks for %1 lanes of key derivation; Keyvane uses 1.").arg(p[19]));
    if (cost.Passes < 1 || cost.Passes > kMostPasses)
        refuse(QStringLiteral("This file asks for %1 passes of key derivation; Keyvane accepts 1 to %2.")
                   .arg(cost.Passes)
                   .arg(kMostPasses));
    if (cost.MemoryKiB < kLeastMemoryKiB || cost.MemoryKiB > kMostMemoryKiB)
        refuse(QStringLiteral("This file asks for %1 KiB of memory for its key derivation; Keyvane accepts %2 to "
                              "%3 KiB.")
                   .arg(cost.MemoryKiB)
                   .arg(kLeastMemoryKiB)
                   .arg(kMostMemoryKiB));
    return cost;
}

QString TKYVNProtectedForm::Describe(const TKYVNProtectionCost& cost) {
    const QString memory = cost.MemoryKiB % 1024 == 0 ? QStringLiteral("%1 MiB").arg(cost.MemoryKiB / 1024)
                                                      : QStringLiteral("%1 KiB").arg(cost.MemoryKiB);
    return QStringLiteral("Argon2id, %1, %2 %3; XChaCha20-Poly1305")
        .arg(memory)
        .arg(cost.Passes)
        .arg(cost.Passes == 1 ? QStringLiteral("pass") : QStringLiteral("passes"));
}

void TKYVNProtectedForm::SetCostOfNewKeys(const TKYVNProtectionCost& cost) {
    std::lock_guard<std::mutex> hold(costLock);
    costOfNewKeys = cost;
}

TKYVNProtectionCost TKYVNProtectedForm::CostOfNewKeys() {
    std::lock_guard<std::mutex> hold(costLock);
    return costOfNewKeys;
}

quint64 TKYVNProtectedForm::Derivations() {
    return derivations.load();
}

TKYVNProtectionCost TKYVNProtectedForm::Cost() const {
    return hasKey_ ? cost_ : CostOfNewKeys();
}

void TKYVNProtectedForm::Forget() {
    if (secure_)
        sodium_memzero(secure_, kKeySize + kHashSize);
    hasKey_ = false;
}

void TKYVNProtectedForm::derive(const QString& password) {
    ensureSodium();
    if (!secure_) {
        secure_ = static_cast<unsigned char*>(sodium_malloc(kKeySize + kHashSize));
        if (!secure_)
            throw EQsException(QStringLiteral("There is not enough memory to derive the file's key."));
    }
    hasKey_ = false;
    ++derivations;
    const TUtf8Password utf8(password);
    const auto* pw = utf8.bytes.constData();
    if (crypto_pwhash(secure_, kKeySize, pw, size_t(utf8.bytes.size()), salt_, cost_.Passes,
                      size_t(cost_.MemoryKiB) * 1024, crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw EQsException(QStringLiteral("There is not enough memory to derive the file's key (%1 MiB).")
                               .arg(cost_.MemoryKiB / 1024));
    // Which password the key came from, so that a later seal knows whether the password changed.
    crypto_generichash(secure_ + kKeySize, kHashSize, reinterpret_cast<const unsigned char*>(pw),
                       size_t(utf8.bytes.size()), secure_, kKeySize);
    hasKey_ = true;
}

bool TKYVNProtectedForm::keptFor(const QString& password) const {
    if (!hasKey_)
        return false;
    const TUtf8Password utf8(password);
    unsigned char hash[kHashSize];
    crypto_generichash(hash, kHashSize, reinterpret_cast<const unsigned char*>(utf8.bytes.constData()),
                       size_t(utf8.bytes.size()), secure_, kKeySize);
    const bool same = sodium_memcmp(hash, secure_ + kKeySize, kHashSize) == 0;
    sodium_memzero(hash, sizeof hash);
    return same;
}

QByteArray TKYVNProtectedForm::Open(QByteArrayView file, const QString& password) {
    const TKYVNProtectionCost cost = CheckHeader(file);
    const unsigned char* p = bytesOf(file);
    // The same file read again (under a lock, or after a save) opens with the key already derived.
    if (hasKey_ && std::memcmp(salt_, p + kSaltAt, sizeof salt_) == 0 && cost.Passes == cost_.Passes &&
        cost.MemoryKiB == cost_.MemoryKiB && keptFor(password))
        return Reopen(file);
    Forget();
    std::memcpy(salt_, p + kSaltAt, sizeof salt_);
    cost_ = cost;
    derive(password);
    try {
        return Reopen(file);
    } catch (...) {
        Forget();
        throw;
    }
}

QByteArray TKYVNProtectedForm::Reopen(QByteArrayView file) const {
    CheckHeader(file);
    const unsigned char* p = bytesOf(file);
    if (!hasKey_ || std::memcmp(salt_, p + kSaltAt, sizeof salt_) != 0)
        throw EKYVNWrongPassword();
    QByteArray plain(file.size() - SmallestFile, Qt::Uninitialized);
    unsigned long long length = 0;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(reinterpret_cast<unsigned char*>(plain.data()), &length, nullptr,
                                                   p + HeaderSize, size_t(file.size() - HeaderSize), p, HeaderSize,
                                                   p + kNonceAt, secure_) != 0) {
        sodium_memzero(plain.data(), size_t(plain.size()));
        throw EKYVNWrongPassword();
    }
    return plain;
}

QByteArray TKYVNProtectedForm::Seal(QByteArrayView plain, const QString& password) {
    ensureSodium();
    if (!keptFor(password)) {
        // A new file or a new password: a new salt, and the cost of new keys.
        cost_ = CostOfNewKeys();
        randombytes_buf(salt_, sizeof salt_);
        derive(password);
    }
    QByteArray file(SmallestFile + plain.size(), Qt::Uninitialized);
    auto* p = reinterpret_cast<unsigned char*>(file.data());
    std::memcpy(p, kSignature, sizeof kSignature);
    p[8] = kMajor;
    p[9] = kMinor;
    p[10] = kArgon2id13;
    writeLe32(p + 11, cost_.Passes);
    writeLe32(p + 15, cost_.MemoryKiB);
    p[19] = 1;
    std::memcpy(p + kSaltAt, salt_, sizeof salt_);
    p[kCipherAt] = kXChaCha20Poly1305;
    randombytes_buf(p + kNonceAt, crypto_aead_xchacha20poly1305_ietf_NPUBBYTES);
    unsigned long long length = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(p + HeaderSize, &length, bytesOf(plain), size_t(plain.size()), p,
                                               HeaderSize, nullptr, p + kNonceAt, secure_);
    return file;
}

TKYVNPlainGuard::TKYVNPlainGuard(QByteArray& bytes) : bytes_(bytes) {
    if (!bytes_.isEmpty())
        locked_ = sodium_mlock(bytes_.data(), size_t(bytes_.size())) == 0;
}

TKYVNPlainGuard::~TKYVNPlainGuard() {
    if (bytes_.isEmpty() || !bytes_.isDetached())
        return;
    if (locked_)
        sodium_munlock(bytes_.data(), size_t(bytes_.size())); // wipes, then unlocks
    else
        sodium_memzero(bytes_.data(), size_t(bytes_.size()));
}
