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

void QsWipe(QString& text) {
    if (!text.isEmpty() && text.isDetached())
        explicit_bzero(text.data(), size_t(text.size()) * sizeof(QChar));
    text.clear();
}

void QsWipe(QByteArray& bytes) {
    if (!bytes.isEmpty() && bytes.isDetached())
        explicit_bzero(bytes.data(), size_t(bytes.size()));
    bytes.clear();
}

void QsWipe(std::string& text) {
    if (!text.empty())
        explicit_bzero(text.data(), text.size());
    text.clear();
}

void QsWipeShared(const QString& text) {
    // Only heap data has a header; static data (a literal) has none and may not be written.
    QString copy = text;
    if (!copy.isEmpty() && copy.data_ptr().d_ptr())
        explicit_bzero(const_cast<QChar*>(copy.constData()), size_t(copy.size()) * sizeof(QChar));
}
