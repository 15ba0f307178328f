// The designed form of a passwords file: the plain text enciphered with IDEA in ECB mode under all-zero
// sub-keys, padded with zero bytes to whole 8-byte blocks. The key is fixed: anyone who has a copy can
// read it. Such files are still read and written, byte for byte, for the older program.
#pragma once

#include <QByteArray>

namespace KyvnDesignedForm {
// The file's bytes for a plain text (padded to whole blocks).
QByteArray Seal(QByteArray plain);
// The plain text of a file's bytes, padding included; a last part shorter than a block stays as it is.
QByteArray Open(QByteArray file);
} // namespace KyvnDesignedForm
