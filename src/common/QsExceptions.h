// The program's one exception type, and the guard that keeps exceptions inside the event loop.
#pragma once

#include <QString>
#include <exception>
#include <functional>
#include <string>

// Kinds: 0 critical (the program ends after the box), 1 warning, 2 information; any other shows nothing.
class EQsException : public std::exception {
public:
    EQsException(const QString& message, const QString& details = QString(), quint8 kind = 1)
        : Message(message), Details(details), Kind(kind), utf8_(message.toStdString()) {}

    const char* what() const noexcept override { return utf8_.c_str(); }

    QString Message;
    QString Details;
    quint8 Kind;

private:
    std::string utf8_;
};

// The message of any caught exception, for use as the details of a wrapping EQsException.
QString QsExceptionMessage(const std::exception& e);

// Receives every exception that a guarded slot let out. The main window installs aeMainException here;
// without a handler the exception is written to standard error.
using TQsExceptionHandler = std::function<void(const std::exception* e)>;
void QsSetExceptionHandler(TQsExceptionHandler handler);
void QsHandleException(const std::exception* e);

// Runs fn and hands any exception to the installed handler, so none crosses Qt's event loop.
// Every slot reached by a user action or a timer runs inside it. Returns false when fn threw.
bool QsGuard(const std::function<void()>& fn);
