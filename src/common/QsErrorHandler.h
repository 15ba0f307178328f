// What the main window does with an exception that no command caught.
#pragma once

#include <exception>

// The exit status of a program ended by a fatal error: a failure, so that a script or the session that
// started it knows the program did not end in order.
constexpr int QsFatalErrorExit = 1;

// Brings the application to the front, then by the exception:
//   EQsException of kind 1 or 2: the details box (warning or information), then returns;
//   EQsException of kind 0: the critical box, then the process ends at once with QsFatalErrorExit;
//   EQsException of any other kind: nothing;
//   anything else (nullptr = an exception of unknown type): "Unexpected error." with its message as
//   details, then the process ends at once with QsFatalErrorExit.
// The main window's aeMainException calls this; it raises nothing.
void QsShowException(const std::exception* e);

// Installs QsShowException as the handler of QsGuard (for programs without the main window's own).
void QsInstallErrorHandler();
