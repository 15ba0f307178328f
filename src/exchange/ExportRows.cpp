#include "ExportRows.h"

#include "clsFile.h"

void ForEachExportRow(const TKYVNFile& file, const QStringList& captions, const std::function<void(int)>& beforeAccount,
                      const std::function<void(const QStringList&)>& row) {
    QStringList values;
    values.reserve(captions.size());
    for (int i = 0; i < file.AccountCount(); ++i) {
        if (beforeAccount)
            beforeAccount(i);
        const TKYVNAccount& account = *file.GetAccount(i);
        values.clear();
        for (const QString& caption : captions)
            values.append(GetAccountField(account, caption));
        row(values);
    }
}
