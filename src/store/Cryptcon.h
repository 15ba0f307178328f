// The block-cipher component: input choices, chaining modes, and the buffer and file loops.
// The concrete cipher (TIDEA in Ideaunit.h) supplies the block operations and the key schedule.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstddef>
#include <stdexcept>

enum TSourceType : quint8 { SourceFile = 0, SourceByteArray = 1, SourceString = 2 };
enum TCipherMode : quint8 { ECBMode = 0, CBCMode = 1, CFBMode = 2 };

// The input/output error of a failed open, read, write or close; its text comes from the system code.
class EInOutError : public std::runtime_error {
public:
    explicit EInOutError(int errorCode);
    int ErrorCode;
};

// Throws EInOutError: the raiser that hands failures of the shared file units to this layer's callers.
[[noreturn]] void RaiseInOutError(int errorCode);

// "File not found", "Invalid filename", "Too many open files", "File access denied", or
// "I/O error %d: <system description>" for any other errno.
QString InOutErrorMessage(int errorCode);

class TCrypto : public QObject {
public:
    explicit TCrypto(QObject* owner = nullptr);
    ~TCrypto() override;

    static constexpr int BufferSize = 4096;

    // With keyPrepared false the sub-keys (and, in CBC and CFB, the chaining block) are prepared first.
    void Encipher(bool keyPrepared);
    void Decipher(bool keyPrepared);

    virtual void EncipherBlock() = 0; // WorkBlock in place
    virtual void DecipherBlock() = 0;
    virtual void PrepareKey() = 0;
    virtual void EncipherBuffer(); // the first InputLength bytes of DataBuffer to the output area
    virtual void DecipherBuffer();

    void EncipherFile(); // InputFilePath to OutputFilePath, in chunks of BufferSize
    void DecipherFile();

    // Whole data in memory, in place, in the current mode, with the same result as the file loop:
    // ECB and CBC pad with zero bytes up to a multiple of BlockSize, CFB keeps the length.
    void EncipherData(QByteArray& data);
    void DecipherData(QByteArray& data);

    void MakeIVector();
    void LoadIVector();

    void SetKey(const QByteArray& key) { Key = key; }
    void SetInputArea(const void* area) { InputArea = static_cast<const quint8*>(area); }
    void SetOutputArea(void* area) { OutputArea = static_cast<quint8*>(area); }

    QByteArray IVector;
    TSourceType InputType = SourceFile;
    TCipherMode CipherMode = ECBMode;
    QString InputFilePath;
    QString OutputFilePath;
    QByteArray InputString;
    quint16 InputLength = 0;
    quint8 BlockSize = 8;

protected:
    // Many blocks at once; a cipher with a faster path than one WorkBlock at a time replaces these.
    // in and out may be the same memory.
    virtual void EncipherBlocks(const quint8* in, quint8* out, size_t count);
    virtual void DecipherBlocks(const quint8* in, quint8* out, size_t count);

    QByteArray Key;
    QByteArray ChainBlock;
    const quint8* InputArea = nullptr;
    quint8* OutputArea = nullptr;
    quint8 DataBuffer[BufferSize + 1] = {};
    quint8 WorkBlock[8] = {};

private:
    void ensureChainBlock();
    size_t padToBlocks(quint8* data, size_t length) const;
    void ecb(const quint8* in, quint8* out, size_t length, bool encipher);
    void cbcEncipher(const quint8* in, quint8* out, size_t length);
    void cbcDecipher(const quint8* in, quint8* out, size_t length);
    void cfb(const quint8* in, quint8* out, size_t length, bool encipher);
    void runBuffer(bool encipher);
    void runFile(bool encipher);
    void loadInput();
};
