// Writes the seed corpora of the fuzz targets: small, well-formed inputs of every reader and a few
// damaged ones, so that the fuzzer starts from the format instead of from nothing.
//   make_seeds OUTPUT_FOLDER   (one sub-folder per target)
#include "FuzzSupport.h"

#include "QsVerInf.h"
#include "clsFile.h"

#include <QDir>
#include <QFile>

#include <utility>

namespace {

QString out;

void seed(const char* target, const char* name, const QByteArray& bytes) {
    const QString folder = out + u'/' + QLatin1String(target);
    QDir().mkpath(folder);
    QFile f(folder + u'/' + QLatin1String(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        std::exit(1);
}

QByteArray plainOf(int accounts, bool accents) {
    TKYVNFile file;
    file.Password = accents ? QStringLiteral("Grün") : QStringLiteral("pw1234");
    for (int i = 0; i < accounts; ++i) {
        auto* a = new TKYVNAccount;
        a->AccountName = (accents ? QStringLiteral("Café ") : QStringLiteral("Bank ")) + QString::number(i);
        a->Login = QStringLiteral("login");
        a->Password = QStringLiteral("s3cret");
        a->Email = QStringLiteral("me@example.com");
        a->Web = QStringLiteral("https://example.com");
        a->Notes = i % 2 ? QStringLiteral("first\r\nsecond") : QString();
        a->Protected = i % 2;
        a->Created = QDate(2003, 7, 4);
        a->Modified = QDate(2024, 2, 29);
        file.AddAccount(a);
    }
    return file.PlainText();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds OUTPUT_FOLDER\n");
        return 2;
    }
    out = QString::fromLocal8Bit(argv[1]);

    const QByteArray empty = plainOf(0, false), three = plainOf(3, false), accented = plainOf(2, true);
    const QByteArray cp1252 = "ZKYVN\r\n#Gr\xfcn\r\n#Caf\xe9\r\n#Jos\xe9\r\n#p\xe4ss\x80\r\n#\r\n#\r\n#Stra\xdf"
                              "e'#M\xfcnchen\r\n#False\r\n#04072003\r\n#04072003\r\n";
    const QByteArray plains[][2] = {{"empty", empty},
                                    {"three", three},
                                    {"accented", accented},
                                    {"cp1252", cp1252},
                                    {"extra-line", three + "#x\r\n"},
                                    {"partial", three + "#n\r\n#l\r\n"},
                                    {"nul", three.left(three.size() / 2) + QByteArray(9, '\0') + three}};
    for (const auto& p : plains) {
        seed("fuzz_plain_text", p[0].constData(), p[1]);
        seed("fuzz_passwords_file", p[0].constData(), TKYVNFile::Encipher(p[1]));
    }
    const QByteArray cipher = TKYVNFile::Encipher(three);
    seed("fuzz_passwords_file", "truncated", cipher.left(cipher.size() / 2 / 8 * 8));
    seed("fuzz_passwords_file", "odd-length", cipher.left(cipher.size() / 2 + 3));

    // The protected form: sound headers (one byte 1 = the header half of its target) and plain texts to seal
    // (byte 0, two bytes choosing the changed bit).
    TKYVNProtectedForm::SetCostOfNewKeys({1, 8192});
    TKYVNProtectedForm sealer;
    const QByteArray sealed = sealer.Seal(three, QStringLiteral("Abc12345"));
    seed("fuzz_protected_file", "header-sound", "\x01" + sealed);
    seed("fuzz_protected_file", "header-newer", "\x01" + sealed.left(8) + "\x03" + sealed.mid(9));
    seed("fuzz_protected_file", "header-short", "\x01" + sealed.left(TKYVNProtectedForm::SmallestFile - 1));
    seed("fuzz_protected_file", "body-three", QByteArray("\x00\x00\x05", 3) + three);
    seed("fuzz_protected_file", "body-empty", QByteArray("\x00\x01\x00", 3) + empty);

    const char* dates[][2] = {{"ok", "04072003"},         {"day-zero", "30121899"},     {"leap", "29022024"},
                              {"impossible", "31022004"}, {"not-a-number", "ab072003"}, {"short", "0407"},
                              {"signs", "+4-72003"}};
    for (const auto& d : dates)
        seed("fuzz_dates", d[0], d[1]);

    seed("fuzz_list_layout", "defaults",
         "Account Name,150,True,False\nLogin,100,True,False\nPassword,100,True,True\nEmail,150,True,False\n"
         "Web,150,True,False\nNotes,150,False,False\nProtected,60,False,False\nCreated,80,False,False\n"
         "Modified,80,False,False\n0\nTrue\n");
    seed("fuzz_list_layout", "broken", "Account Name,abc,True,False\nLogin,100\nNo Such,1,True,True\n\n-1\nFalse\n");

    TQsVersionInfo info;
    info.Major = 1;
    info.Minor = 3;
    info.Release = 0;
    info.Build = 39;
    info.Translations = {{0x0409, 0x04E4}};
    info.Strings = {{QStringLiteral("\\StringFileInfo\\040904E4\\LegalCopyright"), QStringLiteral("Copyright")},
                    {QStringLiteral("\\StringFileInfo\\040904E4\\FileVersion"), QStringLiteral("1.3.0.39")}};
    const QByteArray block = QsMakeVersionBlock(info);
    seed("fuzz_version_block", "english", block);
    info.Translations = {{2070, 0x04E4}};
    seed("fuzz_version_block", "portuguese", QByteArray(37, 'x') + QsMakeVersionBlock(info) + QByteArray(11, 'y'));
    seed("fuzz_version_block", "cut", block.left(block.size() / 2));

    // One export of each program the import knows, by its header, with the quoting that matters.
    const std::pair<const char*, const char*> exports[] = {
        {"chromium", "name,url,username,password,note\r\nBank,https://bank.example,jo,\"p,\"\"w\",\"a\nb\"\r\n"},
        {"firefox", "url,username,password,httpRealm,formActionOrigin,guid,timeCreated,timeLastUsed,"
                    "timePasswordChanged\nhttps://x.example,jo,pw,,,{1},1600000000000,1600000000000,1600000000000\n"},
        {"safari", "Title,URL,Username,Password,Notes,OTPAuth\nShop,https://shop.example,ann,s3,,\n"},
        {"bitwarden", "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,"
                      "login_totp\nWork,1,login,Mail,,,1,https://mail.example,bob,pw,\n"},
        {"keepassxc", "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\","
                      "\"Last Modified\",\"Created\"\n\"Root\",\"Bank\",\"jo\",\"pw\",\"\",\"\",\"\",\"0\","
                      "\"2024-01-02T03:04:05Z\",\"2023-01-02T03:04:05Z\"\n"},
        {"1password", "Title,Url,Username,Password,OTPAuth,Favorite,Archived,Tags,Notes\nA,,u,p,,false,false,t,n\n"},
        {"lastpass", "url,username,password,totp,extra,name,grouping,fav\nhttp://sn,u,p,,note,Bank,Money,0\n"},
        {"semicolons", "name;url;username;password\nCaf\xe9"
                       ";https://c.example;z\xf6"
                       "e;pw\n"},
    };
    for (const auto& [name, text] : exports)
        seed("fuzz_csv_import", name, QByteArray(text));
    seed("fuzz_csv_import", "utf16", QByteArray("\xff\xfen\0a\0m\0e\0,\0p\0\n\0", 16));
    return 0;
}
