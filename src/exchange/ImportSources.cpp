#include "ImportSources.h"

#include "clsAccount.h"

namespace {

constexpr int N = TColumnTarget::ToNotes;

QString norm(const QString& header) {
    return header.trimmed().toCaseFolded();
}

} // namespace

const std::vector<TImportSource>& ImportSources() {
    // Header, target, notes caption, quiet value, required, time.
    static const std::vector<TImportSource> sources = {
        {"chromium",
         "Chromium browsers (Chrome, Edge, Brave, Vivaldi, Opera)",
         "a Chromium browser's export",
         {{"name", kfAccountName, nullptr, nullptr, true, false},
          {"url", kfWeb, nullptr, nullptr, true, false},
          {"username", kfLogin, nullptr, nullptr, true, false},
          {"password", kfPassword, nullptr, nullptr, true, false},
          {"note", kfNotes, nullptr, nullptr, false, false}}},
        {"firefox",
         "Firefox",
         "a Firefox export",
         {{"url", kfWeb, nullptr, nullptr, true, false},
          {"username", kfLogin, nullptr, nullptr, true, false},
          {"password", kfPassword, nullptr, nullptr, true, false},
          {"httpRealm", N, "HTTP realm", nullptr, false, false},
          {"formActionOrigin", N, "Form address", nullptr, false, false},
          {"guid", N, "Firefox ID", nullptr, true, false},
          {"timeCreated", kfCreated, nullptr, nullptr, false, true},
          {"timeLastUsed", N, "Last used", nullptr, false, true},
          {"timePasswordChanged", kfModified, nullptr, nullptr, false, true}},
         true},
        {"safari",
         "Safari / Apple Passwords",
         "a Safari export",
         {{"Title", kfAccountName, nullptr, nullptr, true, false},
          {"URL", kfWeb, nullptr, nullptr, true, false},
          {"Username", kfLogin, nullptr, nullptr, true, false},
          {"Password", kfPassword, nullptr, nullptr, true, false},
          {"Notes", kfNotes, nullptr, nullptr, false, false},
          {"OTPAuth", N, "One-time password", nullptr, false, false}}},
        {"bitwarden",
         "Bitwarden",
         "a Bitwarden export",
         {{"folder", N, "Folder", nullptr, false, false},
          {"favorite", N, "Favorite", "0", false, false},
          {"type", N, "Type", "login", true, false},
          {"name", kfAccountName, nullptr, nullptr, true, false},
          {"notes", kfNotes, nullptr, nullptr, false, false},
          {"fields", N, "Fields", nullptr, false, false},
          {"reprompt", kfProtected, nullptr, nullptr, false, false},
          {"login_uri", kfWeb, nullptr, nullptr, true, false},
          {"login_username", kfLogin, nullptr, nullptr, true, false},
          {"login_password", kfPassword, nullptr, nullptr, true, false},
          {"login_totp", N, "One-time password", nullptr, false, false}}},
        {"keepassxc",
         "KeePassXC",
         "a KeePassXC export",
         {{"Group", N, "Group", nullptr, true, false},
          {"Title", kfAccountName, nullptr, nullptr, true, false},
          {"Username", kfLogin, nullptr, nullptr, true, false},
          {"Password", kfPassword, nullptr, nullptr, true, false},
          {"URL", kfWeb, nullptr, nullptr, true, false},
          {"Notes", kfNotes, nullptr, nullptr, true, false},
          {"TOTP", N, "One-time password", nullptr, false, false},
          {"Icon", N, "Icon", "0", false, false},
          {"Last Modified", kfModified, nullptr, nullptr, false, false},
          {"Created", kfCreated, nullptr, nullptr, false, false}}},
        {"1password",
         "1Password",
         "a 1Password export",
         {{"Title", kfAccountName, nullptr, nullptr, true, false},
          {"Url", kfWeb, nullptr, nullptr, true, false},
          {"Username", kfLogin, nullptr, nullptr, true, false},
          {"Password", kfPassword, nullptr, nullptr, true, false},
          {"OTPAuth", N, "One-time password", nullptr, false, false},
          {"Favorite", N, "Favorite", "false", false, false},
          {"Archived", N, "Archived", "false", false, false},
          {"Tags", N, "Tags", nullptr, false, false},
          {"Notes", kfNotes, nullptr, nullptr, false, false}}},
        {"lastpass",
         "LastPass",
         "a LastPass export",
         {{"url", kfWeb, nullptr, nullptr, true, false},
          {"username", kfLogin, nullptr, nullptr, true, false},
          {"password", kfPassword, nullptr, nullptr, true, false},
          {"totp", N, "One-time password", nullptr, false, false},
          {"extra", kfNotes, nullptr, nullptr, true, false},
          {"name", kfAccountName, nullptr, nullptr, true, false},
          {"grouping", N, "Group", nullptr, true, false},
          {"fav", N, "Favorite", "0", false, false}}},
        {"keyvane",
         "Keyvane text export",
         "a Keyvane export",
         {{"Account Name", kfAccountName, nullptr, nullptr, true, false},
          {"Login", kfLogin, nullptr, nullptr, false, false},
          {"Password", kfPassword, nullptr, nullptr, false, false},
          {"Email", kfEmail, nullptr, nullptr, false, false},
          {"Web", kfWeb, nullptr, nullptr, false, false},
          {"Notes", kfNotes, nullptr, nullptr, false, false},
          {"Protected", kfProtected, nullptr, nullptr, false, false},
          {"Created", kfCreated, nullptr, nullptr, false, false},
          {"Modified", kfModified, nullptr, nullptr, false, false}}},
    };
    return sources;
}

const TImportSource* FindImportSource(const QString& id) {
    for (const TImportSource& s : ImportSources())
        if (id.compare(QLatin1String(s.Id), Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

const TImportSource* RecognizeImportSource(const QStringList& header) {
    QStringList names;
    for (const QString& h : header)
        names.append(norm(h));
    const TImportSource* best = nullptr;
    int bestScore = 0;
    for (const TImportSource& s : ImportSources()) {
        QStringList known;
        bool complete = true;
        for (const TSourceColumn& c : s.Columns) {
            known.append(norm(QLatin1String(c.Header)));
            if (c.Required && !names.contains(known.last()))
                complete = false;
        }
        if (!complete)
            continue;
        int matched = 0;
        bool foreign = false;
        for (const QString& name : names) {
            if (known.contains(name))
                ++matched;
            else if (!name.isEmpty())
                foreign = true;
        }
        if (foreign)
            continue;
        // The source that names the fewest columns the file lacks.
        const int score = 2 * matched - int(known.size());
        if (!best || score > bestScore) {
            best = &s;
            bestScore = score;
        }
    }
    return best;
}

TImportMapping SourceMapping(const TImportSource& source, const QStringList& header) {
    TImportMapping mapping;
    for (const QString& h : header) {
        TColumnTarget target;
        target.Caption = h.trimmed();
        for (const TSourceColumn& c : source.Columns) {
            if (norm(QLatin1String(c.Header)) != norm(h))
                continue;
            target.Target = c.Target;
            if (c.Caption)
                target.Caption = QLatin1String(c.Caption);
            if (c.Quiet)
                target.Quiet = QLatin1String(c.Quiet);
            target.Time = c.Time;
            break;
        }
        mapping.append(target);
    }
    return mapping;
}

TImportMapping GuessMapping(const QStringList& header) {
    struct TWord {
        const char* word;
        int field;
    };
    // Checked in order against the folded header; the first word it holds decides.
    static const TWord words[] = {
        {"password", kfPassword},
        {"e-mail", kfEmail},
        {"email", kfEmail},
        {"mail", kfEmail},
        {"user", kfLogin},
        {"login", kfLogin},
        {"url", kfWeb},
        {"web", kfWeb},
        {"site", kfWeb},
        {"address", kfWeb},
        {"note", kfNotes},
        {"comment", kfNotes},
        {"title", kfAccountName},
        {"name", kfAccountName},
        {"account", kfAccountName},
        {"created", kfCreated},
        {"modified", kfModified},
        {"changed", kfModified},
        {"protected", kfProtected},
    };
    TImportMapping mapping;
    QList<int> taken;
    for (const QString& h : header) {
        TColumnTarget target;
        target.Caption = h.trimmed();
        if (const int field = KyvnFieldOfCaption(h.trimmed()); field >= 0 && !taken.contains(field)) {
            target.Target = field;
        } else {
            const QString folded = norm(h);
            for (const TWord& w : words)
                if (folded.contains(QLatin1String(w.word)) && !taken.contains(w.field)) {
                    target.Target = w.field;
                    break;
                }
        }
        if (target.Target >= 0)
            taken.append(target.Target);
        mapping.append(target);
    }
    return mapping;
}

QString ImportSourceIds() {
    QStringList ids;
    for (const TImportSource& s : ImportSources())
        ids.append(QLatin1String(s.Id));
    return ids.join(QStringLiteral(", "));
}
