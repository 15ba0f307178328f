#include "QsExceptions.h"

#include <cstdio>

namespace {
TQsExceptionHandler& handlerSlot() {
    static TQsExceptionHandler handler;
    return handler;
}
} // namespace

QString QsExceptionMessage(const std::exception& e) {
    if (const auto* qs = dynamic_cast<const EQsException*>(&e))
        return qs->Message;
    return QString::fromUtf8(e.what());
}

void QsSetExceptionHandler(TQsExceptionHandler handler) {
    handlerSlot() = std::move(handler);
}

void QsHandleException(const std::exception* e) {
    auto& handler = handlerSlot();
    if (handler) {
        try {
            handler(e);
        } catch (...) {
            // The handler itself raises nothing; a failing box must not take the event loop with it.
        }
        return;
    }
    std::fprintf(stderr, "keyvane: %s\n", e ? e->what() : "Unexpected error.");
}

bool QsGuard(const std::function<void()>& fn) {
    try {
        fn();
        return true;
    } catch (const std::exception& e) {
        QsHandleException(&e);
    } catch (...) {
        QsHandleException(nullptr);
    }
    return false;
}
