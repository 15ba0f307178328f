#include "uColors.h"

#include <QApplication>

namespace {
constexpr qint32 rgb(int r, int g, int b) {
    return qint32(r | (g << 8) | (b << 16));
}

// The desktop's colours by their index, with the palette role that plays the same part here.
struct TSystemColor {
    const char* Name;
    int Index;
    QPalette::ColorGroup Group;
    QPalette::ColorRole Role;
};
const TSystemColor kSystemColors[] = {
    {"Scroll Bar", 0, QPalette::Active, QPalette::Mid},
    {"Desktop", 1, QPalette::Active, QPalette::Dark},
    {"Active Caption", 2, QPalette::Active, QPalette::Highlight},
    {"Inactive Caption", 3, QPalette::Inactive, QPalette::Mid},
    {"Menu", 4, QPalette::Active, QPalette::Window},
    {"Window", 5, QPalette::Active, QPalette::Base},
    {"Window Frame", 6, QPalette::Active, QPalette::Shadow},
    {"Menu Text", 7, QPalette::Active, QPalette::WindowText},
    {"Window Text", 8, QPalette::Active, QPalette::Text},
    {"Caption Text", 9, QPalette::Active, QPalette::HighlightedText},
    {"Active Border", 10, QPalette::Active, QPalette::Window},
    {"Inactive Border", 11, QPalette::Inactive, QPalette::Window},
    {"Application Workspace", 12, QPalette::Active, QPalette::Mid},
    {"Highlight", 13, QPalette::Active, QPalette::Highlight},
    {"Highlight Text", 14, QPalette::Active, QPalette::HighlightedText},
    {"Button Face", 15, QPalette::Active, QPalette::Button},
    {"Button Shadow", 16, QPalette::Active, QPalette::Dark},
    {"Gray Text", 17, QPalette::Disabled, QPalette::Text},
    {"Button Text", 18, QPalette::Active, QPalette::ButtonText},
    {"Inactive Caption Text", 19, QPalette::Disabled, QPalette::WindowText},
    {"Button Highlight", 20, QPalette::Active, QPalette::Light},
    {"3D Dark Shadow", 21, QPalette::Active, QPalette::Shadow},
    {"3D Light", 22, QPalette::Active, QPalette::Midlight},
    {"Info Text", 23, QPalette::Active, QPalette::ToolTipText},
    {"Info Background", 24, QPalette::Active, QPalette::ToolTipBase},
};

const TSystemColor* systemColor(qint32 value) {
    if (!IsSystemColor(value))
        return nullptr;
    const int index = value & 0xff;
    for (const TSystemColor& c : kSystemColors)
        if (c.Index == index && (value & 0x7fffff00) == 0)
            return &c;
    return nullptr;
}
} // namespace

const std::vector<TKYVNNamedColor>& NamedColors() {
    static const std::vector<TKYVNNamedColor> colors = [] {
        std::vector<TKYVNNamedColor> list = {
            // standard
            {"Black", rgb(0, 0, 0)},
            {"Maroon", rgb(128, 0, 0)},
            {"Green", rgb(0, 128, 0)},
            {"Olive", rgb(128, 128, 0)},
            {"Navy", rgb(0, 0, 128)},
            {"Purple", rgb(128, 0, 128)},
            {"Teal", rgb(0, 128, 128)},
            {"Gray", rgb(128, 128, 128)},
            {"Silver", rgb(192, 192, 192)},
            {"Red", rgb(255, 0, 0)},
            {"Lime", rgb(0, 255, 0)},
            {"Yellow", rgb(255, 255, 0)},
            {"Blue", rgb(0, 0, 255)},
            {"Fuchsia", rgb(255, 0, 255)},
            {"Aqua", rgb(0, 255, 255)},
            {"White", rgb(255, 255, 255)},
            // extended
            {"Money Green", rgb(192, 220, 192)},
            {"Sky Blue", rgb(166, 202, 240)},
            {"Cream", rgb(255, 251, 240)},
            {"Medium Gray", rgb(160, 160, 164)},
        };
        for (const TSystemColor& c : kSystemColors)
            list.push_back({QLatin1String(c.Name), SystemColorBase | c.Index});
        return list;
    }();
    return colors;
}

bool IsSystemColor(qint32 value) {
    return (quint32(value) & 0xff000000u) == 0x80000000u;
}

QColor ColorFromValue(qint32 value, const QPalette& palette) {
    if (IsSystemColor(value)) {
        if (const TSystemColor* c = systemColor(value))
            return palette.color(c->Group, c->Role);
        return palette.color(QPalette::Active, QPalette::Text); // an index this desktop does not know
    }
    return QColor(value & 0xff, (value >> 8) & 0xff, (value >> 16) & 0xff);
}

qint32 ValueFromColor(const QColor& color) {
    return rgb(color.red(), color.green(), color.blue());
}

QString ColorName(qint32 value) {
    for (const TKYVNNamedColor& c : NamedColors())
        if (c.Value == value)
            return c.Name;
    return {};
}
