// What the main window does with an exception that no command caught.
#pragma once

#include <exception>

// Brings the application to the front, then by the exception:
//   EQsException of kind 1 or 2: the details box (warning or information), then returns;
//   EQsException of kind 0: the critical box, then the process ends at once with exit code 0;
//   EQsException of any other kind: nothing;
//   anything else (nullptr = an exception of unknown type): "Unexpected error." with its message as
//   details, then the process ends at once.
// The main window's aeMainException calls this; it raises nothing.
void QsShowException(const std::exception* e);

// Installs QsShowException as the handler of QsGuard (for programs without the main window's own).
void QsInstallErrorHandler();
