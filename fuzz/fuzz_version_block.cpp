// The version block read back from a program file: any bytes give a block or none, and a block that
// was found is made again to one that reads the same.
#include "FuzzSupport.h"

#include "QsVerInf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto info = QsParseVersionBlock(KyvnFuzz::bytes(data, size));
    if (!info)
        return 0;
    (void)QsVersionString(*info, QStringLiteral("LegalCopyright"));
    const auto again = QsParseVersionBlock(QsMakeVersionBlock(*info));
    KYVN_FUZZ_CHECK(again.has_value());
    KYVN_FUZZ_CHECK(again->Major == info->Major && again->Minor == info->Minor && again->Release == info->Release &&
                    again->Build == info->Build);
    KYVN_FUZZ_CHECK(again->Translations == info->Translations);
    return 0;
}
