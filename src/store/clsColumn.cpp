#include "clsColumn.h"

#include "QsExceptions.h"
#include "clsAccount.h"

bool IsFieldCaption(const QString& text) {
    for (int i = 0; i < KyvnFieldCount; ++i)
        if (text == KyvnFieldCaption(i))
            return true;
    return false;
}

namespace {
[[noreturn]] void invalid() {
    throw EQsException(QStringLiteral("Invalid operation."));
}

// The part of rest before the next ",", which must be there; rest keeps what follows it.
QString takePart(QString& rest) {
    const qsizetype comma = rest.indexOf(QLatin1Char(','));
    if (comma < 0)
        invalid();
    const QString part = rest.left(comma);
    rest = rest.mid(comma + 1);
    return part;
}
} // namespace

TKYVNColumn ColumnFromText(const QString& text) {
    if (text.isEmpty())
        invalid();
    QString rest = text;
    TKYVNColumn column;
    column.Caption = takePart(rest);
    if (!IsFieldCaption(column.Caption))
        invalid();
    const QString width = takePart(rest);
    bool ok = false;
    column.Width = width.toInt(&ok, 10);
    if (!ok || width.trimmed() != width)
        throw EQsException(QStringLiteral("'%1' is not a valid integer value").arg(width));
    column.Visible = TextToBool(takePart(rest));
    column.Protected = TextToBool(rest); // everything after the third ","
    return column;
}

QString ColumnToText(const TKYVNColumn& column) {
    return QStringLiteral("%1,%2,%3,%4")
        .arg(column.Caption)
        .arg(column.Width)
        .arg(BoolToText(column.Visible), BoolToText(column.Protected));
}
