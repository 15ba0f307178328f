// The colours the accounts list can take, as the preferences store them: a plain colour has red in the
// lowest byte, then green, then blue (top byte 0); a colour of the desktop's palette is 0x80000000 plus
// its index, so the same choice reads back and follows the desktop's theme.
#pragma once

#include <QColor>
#include <QPalette>
#include <QString>
#include <vector>

struct TKYVNNamedColor {
    QString Name;
    qint32 Value;
};

// The standard colours, the extended ones, then the desktop's, each under a readable name.
const std::vector<TKYVNNamedColor>& NamedColors();

constexpr qint32 SystemColorBase = qint32(0x80000000u);
bool IsSystemColor(qint32 value);
// The colour a stored value stands for; a desktop colour from palette.
QColor ColorFromValue(qint32 value, const QPalette& palette);
// The stored value of a plain colour.
qint32 ValueFromColor(const QColor& color);
// The readable name of a value in NamedColors(), empty for any other.
QString ColorName(qint32 value);
