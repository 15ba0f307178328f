// Random passwords for accounts.
#pragma once

#include <QString>

// length characters, each drawn uniformly from the 85 characters "(" (40) to "|" (124), from the
// system's cryptographic random source. Never produces ' or #. Empty for a length of 0 or less.
QString GeneratePassword(int length);
