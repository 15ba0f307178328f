#include "QsApp.h"

// Filled by start-up; everything that reads it copes with null (tests, the command-line tool).
TQsApplication* AppInfo = nullptr;
