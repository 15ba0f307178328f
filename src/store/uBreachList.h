// The published list of breached password hashes, searched where it lies: one "HASH:COUNT" line per
// password (SHA-1 in hexadecimal, either letter case), sorted by hash. The file is memory-mapped and
// binary-searched, so a list of tens of gigabytes is never read whole and nothing leaves the machine.
#pragma once

#include <QByteArray>
#include <QString>

class TBreachList {
public:
    TBreachList() = default;
    ~TBreachList();
    TBreachList(const TBreachList&) = delete;
    TBreachList& operator=(const TBreachList&) = delete;

    // Maps the list. Raises EQsException (kind 1) when it cannot be read, is not a list of SHA-1 hashes
    // or is not sorted by hash (the list is also published ordered by count, which a search cannot use).
    void Open(const QString& path);
    void Close();
    bool IsOpen() const { return data_ != nullptr; }
    QString Path() const { return path_; }
    qint64 Size() const { return size_; }

    // How often the password with this SHA-1 digest (20 bytes) was seen in breaches; 0 when never.
    qint64 Count(const QByteArray& sha1) const;
    // The same for a password (its UTF-8 bytes are hashed); 0 for an empty password.
    qint64 CountOfPassword(const QString& password) const;

private:
    const char* data_ = nullptr;
    qint64 size_ = 0;
    QString path_;
};
