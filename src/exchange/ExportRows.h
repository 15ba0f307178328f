// The rows every export writes: one for each account in file order, of the values of the chosen fields.
#pragma once

#include <QStringList>

#include <functional>

class TKYVNFile;

// Calls beforeAccount (when set; it may raise to stop the export) with each account's position, then
// row with that account's values for captions, in their order. The list handed to row is reused.
void ForEachExportRow(const TKYVNFile& file, const QStringList& captions, const std::function<void(int)>& beforeAccount,
                      const std::function<void(const QStringList&)>& row);
