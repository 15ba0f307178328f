// One column of the accounts list: which field it shows, how wide, and whether its values are hidden.
#pragma once

#include <QString>

class TKYVNColumn {
public:
    QString Caption; // one of the nine field captions; also the column's heading
    qint32 Width = 0;
    bool Visible = false;
    bool Protected = false; // shown, but every row reads "[Hidden]"
};

// True when text is one of the nine field captions exactly (letter case counts).
bool IsFieldCaption(const QString& text);

// Reads a stored column "Caption,Width,Visible,Protected". Raises EQsException "Invalid operation."
// for a missing part or an unknown caption, "'%s' is not a valid integer value" for a bad width.
TKYVNColumn ColumnFromText(const QString& text);
// The stored form of a column, as ColumnFromText reads it.
QString ColumnToText(const TKYVNColumn& column);
