#include "Cryptcon.h"

#include "QsExceptions.h"
#include "QsReplaceFile.h"

#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

QString InOutErrorMessage(int errorCode) {
    switch (errorCode) {
    case ENOENT:
        return QStringLiteral("File not found");
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
    case EISDIR:
        return QStringLiteral("Invalid filename");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("Too many open files");
    case EACCES:
    case EPERM:
    case EROFS:
        return QStringLiteral("File access denied");
    default:
        return QStringLiteral("I/O error %1: %2").arg(errorCode).arg(QString::fromLocal8Bit(std::strerror(errorCode)));
    }
}

EInOutError::EInOutError(int errorCode)
    : std::runtime_error(InOutErrorMessage(errorCode).toStdString()), ErrorCode(errorCode) {}

void RaiseInOutError(int errorCode) {
    throw EInOutError(errorCode);
}

namespace {

// A file descriptor that is closed on every path; close() reports its own failure.
class TPosixFile {
public:
    TPosixFile(const QString& path, int flags, mode_t mode = 0600) {
        fd_ = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC, mode);
        if (fd_ < 0)
            throw EInOutError(errno);
    }
    ~TPosixFile() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    TPosixFile(const TPosixFile&) = delete;
    TPosixFile& operator=(const TPosixFile&) = delete;

    // Reads until count bytes or the end of the file; returns the bytes read.
    size_t readFull(quint8* buffer, size_t count) {
        size_t got = 0;
        while (got < count) {
            const ssize_t n = ::read(fd_, buffer + got, count - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                throw EInOutError(errno);
            if (n == 0)
                break;
            got += size_t(n);
        }
        return got;
    }
    void writeFull(const quint8* buffer, size_t count) {
        QsWriteAll(fd_, reinterpret_cast<const char*>(buffer), count, &RaiseInOutError);
    }
    void close() {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0)
            throw EInOutError(errno);
    }

private:
    int fd_ = -1;
};

} // namespace

TCrypto::TCrypto(QObject* owner) : QObject(owner) {}

TCrypto::~TCrypto() {
    Key.fill('\0');
    ChainBlock.fill('\0');
    std::memset(DataBuffer, 0, sizeof DataBuffer);
    std::memset(WorkBlock, 0, sizeof WorkBlock);
}

void TCrypto::loadInput() {
    if (InputType == SourceString) {
        if (InputString.size() > BufferSize)
            throw EQsException(QStringLiteral("The text to encipher is longer than %1 bytes.").arg(BufferSize));
        InputLength = quint16(InputString.size());
        std::memcpy(DataBuffer, InputString.constData(), InputLength);
    } else {
        if (InputLength > BufferSize)
            throw EQsException(QStringLiteral("The data to encipher is longer than %1 bytes.").arg(BufferSize));
        if (InputLength > 0 && !InputArea)
            throw EQsException(QStringLiteral("No input given to the cipher."));
        if (InputLength > 0)
            std::memcpy(DataBuffer, InputArea, InputLength);
    }
}

void TCrypto::Encipher(bool keyPrepared) {
    if (!keyPrepared) {
        PrepareKey();
        if (CipherMode == CBCMode || CipherMode == CFBMode)
            LoadIVector();
    }
    if (InputType == SourceFile) {
        EncipherFile();
    } else if (InputType == SourceByteArray || InputType == SourceString) {
        loadInput();
        EncipherBuffer();
    }
}

void TCrypto::Decipher(bool keyPrepared) {
    if (!keyPrepared) {
        PrepareKey();
        if (CipherMode == CBCMode || CipherMode == CFBMode)
            LoadIVector();
    }
    if (InputType == SourceFile) {
        DecipherFile();
    } else if (InputType == SourceByteArray) {
        loadInput();
        DecipherBuffer();
    }
}

void TCrypto::MakeIVector() {
    // 93 characters from "!" to "}"; the vector need not be secret, only varied.
    IVector.resize(BlockSize);
    for (int i = 0; i < BlockSize; ++i)
        IVector[i] = char(33 + QRandomGenerator::global()->bounded(93));
}

void TCrypto::LoadIVector() {
    if (IVector.isEmpty())
        MakeIVector();
    ensureChainBlock();
    // A vector shorter than a block leaves the rest of the chaining block zero.
    ChainBlock.fill('\0');
    std::memcpy(ChainBlock.data(), IVector.constData(), size_t(std::min<qsizetype>(IVector.size(), BlockSize)));
}

void TCrypto::ensureChainBlock() {
    if (ChainBlock.size() != BlockSize)
        ChainBlock = QByteArray(BlockSize, '\0');
}

size_t TCrypto::padToBlocks(quint8* data, size_t length) const {
    while (length % BlockSize != 0)
        data[length++] = 0;
    return length;
}

void TCrypto::EncipherBlocks(const quint8* in, quint8* out, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        std::memcpy(WorkBlock, in + i * BlockSize, BlockSize);
        EncipherBlock();
        std::memcpy(out + i * BlockSize, WorkBlock, BlockSize);
    }
}

void TCrypto::DecipherBlocks(const quint8* in, quint8* out, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        std::memcpy(WorkBlock, in + i * BlockSize, BlockSize);
        DecipherBlock();
        std::memcpy(out + i * BlockSize, WorkBlock, BlockSize);
    }
}

void TCrypto::ecb(const quint8* in, quint8* out, size_t length, bool encipher) {
    if (encipher)
        EncipherBlocks(in, out, length / BlockSize);
    else
        DecipherBlocks(in, out, length / BlockSize);
}

void TCrypto::cbcEncipher(const quint8* in, quint8* out, size_t length) {
    ensureChainBlock();
    auto* chain = reinterpret_cast<quint8*>(ChainBlock.data());
    for (size_t offset = 0; offset < length; offset += BlockSize) {
        for (int i = 0; i < BlockSize; ++i)
            WorkBlock[i] = in[offset + i] ^ chain[i];
        EncipherBlock();
        std::memcpy(out + offset, WorkBlock, BlockSize);
        std::memcpy(chain, WorkBlock, BlockSize);
    }
}

void TCrypto::cbcDecipher(const quint8* in, quint8* out, size_t length) {
    // Deciphering does not chain through the cipher, so blocks go through the wide path in batches;
    // each batch's input is kept aside because out may be the input.
    ensureChainBlock();
    auto* chain = reinterpret_cast<quint8*>(ChainBlock.data());
    constexpr size_t batchBytes = 1024;
    quint8 saved[batchBytes];
    for (size_t offset = 0; offset < length; offset += batchBytes) {
        const size_t n = std::min(batchBytes, length - offset);
        std::memcpy(saved, in + offset, n);
        DecipherBlocks(saved, out + offset, n / BlockSize);
        for (size_t b = 0; b < n; b += BlockSize) {
            const quint8* previous = b == 0 ? chain : saved + b - BlockSize;
            for (int i = 0; i < BlockSize; ++i)
                out[offset + b + i] ^= previous[i];
        }
        std::memcpy(chain, saved + n - BlockSize, BlockSize);
    }
}

void TCrypto::cfb(const quint8* in, quint8* out, size_t length, bool encipher) {
    ensureChainBlock();
    auto* chain = reinterpret_cast<quint8*>(ChainBlock.data());
    for (size_t offset = 0; offset < length; offset += BlockSize) {
        const size_t n = std::min<size_t>(BlockSize, length - offset);
        std::memcpy(WorkBlock, chain, BlockSize);
        EncipherBlock(); // CFB runs the cipher forwards in both directions
        quint8 segment[256];
        std::memcpy(segment, in + offset, n);
        for (size_t i = 0; i < n; ++i)
            out[offset + i] = segment[i] ^ WorkBlock[i];
        // After a short final segment the register is left as it was: nothing follows it.
        if (n == BlockSize)
            std::memcpy(chain, encipher ? out + offset : segment, BlockSize);
    }
}

void TCrypto::runBuffer(bool encipher) {
    size_t length = InputLength;
    if (CipherMode == ECBMode || CipherMode == CBCMode) {
        length = padToBlocks(DataBuffer, length);
        InputLength = quint16(length);
    }
    quint8* out = OutputArea ? OutputArea : DataBuffer;
    switch (CipherMode) {
    case ECBMode:
        ecb(DataBuffer, out, length, encipher);
        break;
    case CBCMode:
        if (encipher)
            cbcEncipher(DataBuffer, out, length);
        else
            cbcDecipher(DataBuffer, out, length);
        break;
    case CFBMode:
        cfb(DataBuffer, out, length, encipher);
        break;
    }
}

void TCrypto::EncipherBuffer() {
    runBuffer(true);
}

void TCrypto::DecipherBuffer() {
    runBuffer(false);
}

void TCrypto::runFile(bool encipher) {
    TPosixFile input(InputFilePath, O_RDONLY);
    TPosixFile output(OutputFilePath, O_WRONLY | O_CREAT | O_TRUNC);
    bool last = false;
    while (!last) {
        InputLength = quint16(input.readFull(DataBuffer, BufferSize));
        last = InputLength < BufferSize;
        InputArea = DataBuffer;
        OutputArea = DataBuffer;
        if (encipher)
            EncipherBuffer();
        else
            DecipherBuffer();
        output.writeFull(DataBuffer, InputLength);
    }
    output.close();
    input.close();
}

void TCrypto::EncipherFile() {
    runFile(true);
}

void TCrypto::DecipherFile() {
    runFile(false);
}

void TCrypto::EncipherData(QByteArray& data) {
    if (CipherMode != CFBMode && data.size() % BlockSize != 0)
        data.append(QByteArray(BlockSize - data.size() % BlockSize, '\0'));
    auto* p = reinterpret_cast<quint8*>(data.data());
    switch (CipherMode) {
    case ECBMode:
        ecb(p, p, size_t(data.size()), true);
        break;
    case CBCMode:
        cbcEncipher(p, p, size_t(data.size()));
        break;
    case CFBMode:
        cfb(p, p, size_t(data.size()), true);
        break;
    }
}

void TCrypto::DecipherData(QByteArray& data) {
    if (CipherMode != CFBMode && data.size() % BlockSize != 0)
        data.append(QByteArray(BlockSize - data.size() % BlockSize, '\0'));
    auto* p = reinterpret_cast<quint8*>(data.data());
    switch (CipherMode) {
    case ECBMode:
        ecb(p, p, size_t(data.size()), false);
        break;
    case CBCMode:
        cbcDecipher(p, p, size_t(data.size()));
        break;
    case CFBMode:
        cfb(p, p, size_t(data.size()), false);
        break;
    }
}
