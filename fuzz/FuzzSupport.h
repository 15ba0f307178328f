// Shared by the fuzz targets: a QtCore application for the parts that want one, and the check that
// turns a broken promise into a crash the fuzzer reports.
#pragma once

#include <QByteArray>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

namespace KyvnFuzz {

inline void ensureApplication() {
    static int argc = 1;
    static char name[] = "keyvane-fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
}

inline QByteArray bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

#define KYVN_FUZZ_CHECK(condition)                                                                                     \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);                        \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (0)

} // namespace KyvnFuzz
