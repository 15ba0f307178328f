// The deciphered plain text of a passwords file, line by line: any bytes give accounts or the load's
// own error, never a crash, and what was read is written back as a text that reads again to the same.
#include "FuzzSupport.h"

#include "QsExceptions.h"
#include "clsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TKYVNFile file;
    try {
        file.ReadPlainText(KyvnFuzz::bytes(data, size));
    } catch (const EQsException&) {
        return 0;
    }
    const QByteArray once = file.PlainText();
    TKYVNFile again;
    again.ReadPlainText(once);
    KYVN_FUZZ_CHECK(!again.Damaged());
    KYVN_FUZZ_CHECK(again.AccountCount() == file.AccountCount());
    KYVN_FUZZ_CHECK(again.Password == file.Password);
    KYVN_FUZZ_CHECK(again.PlainText() == once);
    return 0;
}
