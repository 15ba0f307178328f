#include "uGenerator.h"

#include <QRandomGenerator>

QString GeneratePassword(int length) {
    QString result;
    if (length <= 0)
        return result;
    result.reserve(length);
    // bounded() draws without modulo bias; the system source cannot be predicted from the clock.
    QRandomGenerator* source = QRandomGenerator::system();
    for (int i = 0; i < length; ++i)
        result.append(QChar(char16_t(40 + source->bounded(85))));
    return result;
}
