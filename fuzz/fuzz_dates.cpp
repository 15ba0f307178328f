// The date texts of the passwords file ("DDMMYYYY"): any text is a date or the date's own error, and a
// date that was read is written and read back unchanged.
#include "FuzzSupport.h"

#include "QsExceptions.h"
#include "clsAccount.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QDate date;
    try {
        date = TextToDate(QString::fromUtf8(KyvnFuzz::bytes(data, size)));
    } catch (const EQsException&) {
        return 0;
    }
    KYVN_FUZZ_CHECK(date.isValid());
    const QString text = DateToText(date);
    if (date.year() >= 1 && date.year() <= 9999) {
        KYVN_FUZZ_CHECK(text.size() == 8);
        KYVN_FUZZ_CHECK(TextToDate(text) == date);
    }
    return 0;
}
