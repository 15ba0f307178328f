#include "uOptions.h"

#include "QsApp.h"
#include "QsAutoStart.h"

#include <array>
#include <variant>

TKYVNOptions* Options = nullptr;

namespace {

using TField = std::variant<bool TKYVNOptions::*, qint32 TKYVNOptions::*, QString TKYVNOptions::*>;

struct TStoredOption {
    const char* name; // the value's name under "Options", the same as the field's
    TField field;
};

// The stored preferences in the order they are read and written; AutoStart is not among them.
const std::array<TStoredOption, 23> kStoredOptions = {{
    {"CloseMinimizes", &TKYVNOptions::CloseMinimizes},
    {"SaveWindow", &TKYVNOptions::SaveWindow},
    {"SaveList", &TKYVNOptions::SaveList},
    {"TrayIcon", &TKYVNOptions::TrayIcon},
    {"MinimizeAtStartup", &TKYVNOptions::MinimizeAtStartup},
    {"AutoOpenLastFile", &TKYVNOptions::AutoOpenLastFile},
    {"SimpleReport", &TKYVNOptions::SimpleReport},
    {"AutoMinimizeAfter", &TKYVNOptions::AutoMinimizeAfter},
    {"AutoMinimizeAfterNSecs", &TKYVNOptions::AutoMinimizeAfterNSecs},
    {"ClearClipboard", &TKYVNOptions::ClearClipboard},
    {"ClearClipboardAfterNSecs", &TKYVNOptions::ClearClipboardAfterNSecs},
    {"TrayPassword", &TKYVNOptions::TrayPassword},
    {"MinimizeOnLock", &TKYVNOptions::MinimizeOnLock},
    {"PrintPassword", &TKYVNOptions::PrintPassword},
    {"ExportPassword", &TKYVNOptions::ExportPassword},
    {"DisplayPassword", &TKYVNOptions::DisplayPassword},
    {"PasswordLength", &TKYVNOptions::PasswordLength},
    {"BackupFiles", &TKYVNOptions::BackupFiles},
    {"FontName", &TKYVNOptions::FontName},
    {"DefaultColors", &TKYVNOptions::DefaultColors},
    {"TextColor", &TKYVNOptions::TextColor},
    {"BackColor", &TKYVNOptions::BackColor},
    {"OldPasswordDays", &TKYVNOptions::OldPasswordDays},
}};

const QString kCompanyProductKey = QStringLiteral("Software\\Tessivo\\Tessivo Nimbrel\\Keyvane");

} // namespace

TQsRegRoot TKYVNOptions::Root() {
    return AppInfo ? AppInfo->RegistryRoot : TQsRegRoot::LocalMachine;
}

QString TKYVNOptions::Key() {
    return (AppInfo ? AppInfo->ProductKey : kCompanyProductKey) + QStringLiteral("\\Options");
}

void TKYVNOptions::Load() {
    const TQsRegRoot root = Root();
    const QString key = Key();
    for (const TStoredOption& option : kStoredOptions) {
        const QString name = QLatin1String(option.name);
        std::visit(
            [&](auto member) {
                auto& field = this->*member;
                using T = std::decay_t<decltype(field)>;
                if constexpr (std::is_same_v<T, bool>)
                    field = ReadRegBool(root, key, name, field);
                else if constexpr (std::is_same_v<T, qint32>)
                    field = ReadRegInteger(root, key, name, field);
                else
                    field = ReadRegString(root, key, name, field);
            },
            option.field);
    }
    AutoStart = AutoStartEntryExists();
}

void TKYVNOptions::Save() const {
    const TQsRegRoot root = Root();
    const QString key = Key();
    for (const TStoredOption& option : kStoredOptions) {
        const QString name = QLatin1String(option.name);
        std::visit(
            [&](auto member) {
                const auto& field = this->*member;
                using T = std::decay_t<decltype(field)>;
                if constexpr (std::is_same_v<T, bool>)
                    WriteRegBool(root, key, name, field);
                else if constexpr (std::is_same_v<T, qint32>)
                    WriteRegInteger(root, key, name, field);
                else
                    WriteRegString(root, key, name, field);
            },
            option.field);
    }
}
