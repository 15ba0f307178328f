// The passwords file as it lies on disk: enciphered bytes from anywhere (a synced folder, a mail).
// Whatever they are, the load ends in accounts or in the load's own error, and what was read writes
// back as a text that reads again to the same.
#include "FuzzSupport.h"

#include "QsExceptions.h"
#include "clsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A protected file whose header is accepted would derive a key at the cost it names: that form has a
    // target of its own.
    const QByteArray input = KyvnFuzz::bytes(data, size);
    if (TKYVNProtectedForm::Recognise(input)) {
        try {
            TKYVNProtectedForm::CheckHeader(input);
            return 0;
        } catch (const EKYVNRefusedHeader&) {
        }
    }
    TKYVNFile file;
    try {
        file.LoadBytes(KyvnFuzz::bytes(data, size));
    } catch (const EQsException&) {
        return 0;
    }
    KYVN_FUZZ_CHECK(file.Damaged() == !file.DamageWarning().isEmpty());
    KYVN_FUZZ_CHECK(!file.Changed());
    const QByteArray once = file.PlainText();
    TKYVNFile again;
    again.LoadBytes(TKYVNFile::Encipher(once));
    KYVN_FUZZ_CHECK(!again.Damaged());
    KYVN_FUZZ_CHECK(again.AccountCount() == file.AccountCount());
    KYVN_FUZZ_CHECK(again.PlainText() == once);
    return 0;
}
