// The stored layout of the accounts list: the column texts ("Caption,Width,Visible,Protected") and
// the layout load from the settings store, which a damaged or hand-edited store feeds anything.
// Input: one stored value per line, Col0 to Col8, then SortIndex and SortAscending as texts.
#include "FuzzSupport.h"

#include "QsExceptions.h"
#include "QsRegUtils.h"
#include "clsColumn.h"
#include "clsList.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {
QTemporaryDir* store = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    KyvnFuzz::ensureApplication();
    // a settings store of its own, in memory where the system offers it
    store = new QTemporaryDir(QFileInfo(QStringLiteral("/dev/shm")).isDir()
                                  ? QStringLiteral("/dev/shm/keyvane-fuzz-XXXXXX")
                                  : QDir::tempPath() + QStringLiteral("/keyvane-fuzz-XXXXXX"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(store->path()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QList<QByteArray> lines = KyvnFuzz::bytes(data, size).split('\n');
    for (const QByteArray& line : lines) {
        try {
            const TKYVNColumn c = ColumnFromText(QString::fromUtf8(line));
            KYVN_FUZZ_CHECK(IsFieldCaption(c.Caption));
            const TKYVNColumn back = ColumnFromText(ColumnToText(c));
            KYVN_FUZZ_CHECK(back.Caption == c.Caption && back.Width == c.Width && back.Visible == c.Visible &&
                            back.Protected == c.Protected);
        } catch (const EQsException&) {
        }
    }
    const TQsRegRoot root = TKYVNList::Root();
    const QString key = TKYVNList::Key();
    for (int n = 0; n < 9; ++n)
        WriteRegString(root, key, QStringLiteral("Col%1").arg(n), QString::fromUtf8(lines.value(n)));
    WriteRegString(root, key, QStringLiteral("SortIndex"), QString::fromUtf8(lines.value(9)));
    WriteRegString(root, key, QStringLiteral("SortAscending"), QString::fromUtf8(lines.value(10)));
    TKYVNList layout;
    layout.Load(false);
    KYVN_FUZZ_CHECK(layout.ColumnCount() == 9);
    for (const TKYVNColumn* c : layout.Columns)
        KYVN_FUZZ_CHECK(IsFieldCaption(c->Caption));
    return 0;
}
