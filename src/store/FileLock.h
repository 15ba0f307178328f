// An exclusive lock on the folder of a passwords file, held for a read-modify-write. keyvane-cli takes
// it around its whole change and the program around its write-back, so the two never interleave. It is
// flock(2) on the folder itself: nothing is left behind, and the lock goes with the process. Where the
// file system has no such locks, or the folder cannot be read, it holds nothing.
#pragma once

#include <QString>

class TKYVNFileLock {
public:
    // Waits up to timeoutMs for the lock; raises EQsException when another holder keeps it.
    explicit TKYVNFileLock(const QString& fileName, int timeoutMs = 30000);
    ~TKYVNFileLock();
    TKYVNFileLock(const TKYVNFileLock&) = delete;
    TKYVNFileLock& operator=(const TKYVNFileLock&) = delete;

private:
    int fd_ = -1;
};
