#include "FormDesigned.h"

#include "Ideaunit.h"

namespace KyvnDesignedForm {

QByteArray Seal(QByteArray plain) {
    TIDEA idea; // the sub-keys stay all zero: that is the file format
    idea.EncipherData(plain);
    return plain;
}

QByteArray Open(QByteArray file) {
    TIDEA idea;
    idea.DecipherData(file);
    return file;
}

} // namespace KyvnDesignedForm
