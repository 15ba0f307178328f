#include "FileLock.h"

#include "FileDisk.h"
#include "QsExceptions.h"

#include <QFileInfo>

#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

TKYVNFileLock::TKYVNFileLock(const QString& fileName, int timeoutMs) {
    const QString folder = QFileInfo(QsReplaceTarget(fileName)).absolutePath();
    fd_ = ::open(KyvnDisk::nativePath(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0)
        return; // a folder that cannot be read (or is gone): the write that follows says what is wrong
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        if (err == EINTR)
            continue;
        if (err != EWOULDBLOCK) {
            // A file system without such locks (some network shares) cannot keep writers apart; the
            // write goes on as it did before there were locks.
            ::close(fd_);
            fd_ = -1;
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::close(fd_);
            fd_ = -1;
            throw EQsException(
                QStringLiteral("Another program is changing the passwords files in '%1'; try again later.")
                    .arg(folder));
        }
        // the other holder is in the middle of one short read-modify-write
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

TKYVNFileLock::~TKYVNFileLock() {
    if (fd_ >= 0)
        ::close(fd_); // closing lets the lock go
}