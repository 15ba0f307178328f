#include "QsSecrets.h"

#include <cstring>
#include <sys/prctl.h>
#include <sys/resource.h>

bool QsProtectProcessMemory() {
    const rlimit none = {0, 0};
    const bool limited = ::setrlimit(RLIMIT_CORE, &none) == 0;
    const bool undumpable = ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0;
    return limited && undumpable;
}

bool QsOverwrite(QString& text) {
    // Only a heap buffer held by this object alone is written; a literal's static data has no header.
    if (text.isEmpty() || !text.isDetached() || !text.data_ptr().d_ptr())
        return false;
    explicit_bzero(text.data(), size_t(text.size()) * sizeof(QChar));
    return true;
}

bool QsOverwrite(QByteArray& bytes) {
    if (bytes.isEmpty() || !bytes.isDetached() || !bytes.data_ptr().d_ptr())
        return false;
    explicit_bzero(bytes.data(), size_t(bytes.size()));
    return true;
}

void QsWipe(QString& text) {
    QsOverwrite(text);
    text.clear();
}

void QsWipe(QByteArray& bytes) {
    QsOverwrite(bytes);
    bytes.clear();
}

void QsWipe(std::string& text) {
    if (!text.empty())
        explicit_bzero(text.data(), text.size());
    text.clear();
}
