// The protected form: its header from anywhere, and its body under a key. A header the reader refuses
// costs no key derivation, whatever the bytes; a body opens only as it was sealed, and any changed byte
// is refused whole.
#include "FuzzSupport.h"

#include "FileText.h"
#include "FormProtected.h"
#include "QsExceptions.h"
#include "clsFile.h"

namespace {

// One key for the whole run, at the cheapest cost the format allows.
TKYVNProtectedForm& sealer() {
    static TKYVNProtectedForm* form = [] {
        TKYVNProtectedForm::SetCostOfNewKeys({1, 8192});
        auto* f = new TKYVNProtectedForm;
        f->Seal(QByteArray("ZKYVN\r\n#Abc12345\r\n"), QStringLiteral("Abc12345"));
        return f;
    }();
    return *form;
}

void header(const QByteArray& file) {
    bool refused = false;
    try {
        TKYVNProtectedForm::CheckHeader(file);
    } catch (const EKYVNRefusedHeader&) {
        refused = true;
    }
    if (!refused)
        return; // an accepted header names a cost; deriving at up to 4 GiB is not this target's work
    const quint64 before = TKYVNProtectedForm::Derivations();
    TKYVNFile loaded;
    loaded.Password = QStringLiteral("Abc12345");
    bool threw = false;
    try {
        loaded.LoadBytes(file);
    } catch (const EKYVNRefusedHeader&) {
        threw = true;
    } catch (const EQsException&) {
        // not of the protected form at all: the designed reader had it
        threw = !TKYVNProtectedForm::Recognise(file);
    }
    KYVN_FUZZ_CHECK(TKYVNProtectedForm::Derivations() == before);
    KYVN_FUZZ_CHECK(threw || !TKYVNProtectedForm::Recognise(file));
}

void body(const QByteArray& plain, size_t flip) {
    TKYVNProtectedForm& form = sealer();
    const quint64 before = TKYVNProtectedForm::Derivations();
    const QByteArray file = form.Seal(plain, QStringLiteral("Abc12345"));
    KYVN_FUZZ_CHECK(file.size() == TKYVNProtectedForm::SmallestFile + plain.size());
    KYVN_FUZZ_CHECK(form.Reopen(file) == plain);
    QByteArray changed = file;
    const qsizetype at = qsizetype(flip % size_t(file.size()));
    changed[at] = char(changed[at] ^ (1 << (flip / size_t(file.size()) % 8)));
    bool refused = false;
    try {
        form.Reopen(changed);
    } catch (const EQsException&) {
        refused = true;
    }
    KYVN_FUZZ_CHECK(refused);
    KYVN_FUZZ_CHECK(TKYVNProtectedForm::Derivations() == before);
    // What opens is read as any plain text is.
    QString password;
    QList<TKYVNAccount*> accounts;
    try {
        KyvnReadFileText(form.Reopen(file), false, password, accounts);
    } catch (const EQsException&) {
    }
    qDeleteAll(accounts);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const QByteArray rest = KyvnFuzz::bytes(data + 1, size - 1);
    if (data[0] & 1) {
        header(rest);
    } else {
        // the first two bytes after the mode choose which bit of the sealed file changes
        const size_t flip = rest.size() >= 2 ? size_t(quint8(rest[0])) << 8 | quint8(rest[1]) : 0;
        body(rest.mid(2), flip);
    }
    return 0;
}
