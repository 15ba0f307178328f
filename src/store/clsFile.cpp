#include "clsFile.h"

#include "FileText.h"
#include "FormDesigned.h"
#include "QsExceptions.h"
#include "QsReplaceFile.h"
#include "uOptions.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

using namespace KyvnDisk;

namespace {

// Overwrites memory that held plain text before it is given back.
void wipe(QByteArray& bytes) {
    if (!bytes.isEmpty() && bytes.isDetached())
        explicit_bzero(bytes.data(), size_t(bytes.size()));
}

[[noreturn]] void indexError(qsizetype index) {
    throw EQsException(QStringLiteral("List index out of bounds (%1)").arg(index));
}

QString namePart(const QString& path) {
    return QFileInfo(path).fileName();
}

QString groupedNumber(qint64 n) {
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(n);
}

// Far beyond any real passwords file (millions of accounts): refused before memory is taken.
constexpr qint64 kLargestFile = qint64(1) << 30;

} // namespace

// ---- TKYVNFile ----------------------------------------------------------------------------------

TKYVNFile::~TKYVNFile() {
    ClearAccounts();
}

int TKYVNFile::AddAccount(TKYVNAccount* account) {
    Accounts.append(account);
    return int(Accounts.size() - 1);
}

TKYVNAccount* TKYVNFile::GetAccount(int index) const {
    if (index < 0 || index >= Accounts.size())
        indexError(index);
    return Accounts[index];
}

TKYVNAccount* TKYVNFile::FindAccount(const QString& name) const {
    for (TKYVNAccount* account : Accounts)
        if (KyvnSameText(account->AccountName, name))
            return account;
    return nullptr;
}

bool TKYVNFile::DeleteAccount(const QString& name) {
    for (qsizetype i = 0; i < Accounts.size(); ++i)
        if (KyvnSameText(Accounts[i]->AccountName, name)) {
            Accounts.removeAt(i);
            return true;
        }
    return false;
}

std::unique_ptr<TKYVNAccount> TKYVNFile::TakeAccount(const QString& name) {
    TKYVNAccount* account = FindAccount(name);
    if (account)
        DeleteAccount(name);
    return std::unique_ptr<TKYVNAccount>(account);
}

void TKYVNFile::ClearAccounts() {
    qDeleteAll(Accounts);
    Accounts.clear();
}

QByteArray TKYVNFile::PlainText() const {
    return KyvnFileText(Password, Accounts);
}

void TKYVNFile::ReadPlainText(const QByteArray& plain) {
    readPlain(plain, false);
}

void TKYVNFile::readPlain(const QByteArray& plain, bool lengthDamaged) {
    damaged_ = false;
    bytesLeftOut_ = 0;
    const bool none = Accounts.isEmpty();
    const TKYVNTextReading reading = KyvnReadFileText(plain, lengthDamaged, Password, Accounts);
    damaged_ = reading.Damaged;
    bytesLeftOut_ = reading.BytesLeftOut;
    // A text that is what a write would write (and all the accounts) needs no second making to know it.
    if (none && reading.WrittenAlike >= 0)
        readAlikeHash_ = contentHash(QByteArrayView(plain).first(reading.WrittenAlike));
}

QString TKYVNFile::DamageWarning() const {
    if (!damaged_)
        return QString();
    const qsizetype n = Accounts.size();
    const QString bytes = bytesLeftOut_ == 1 ? QStringLiteral("1 byte") : groupedNumber(bytesLeftOut_) + " bytes";
    QString what;
    if (n == 0)
        what = QStringLiteral("No account could be read; %1 after the file password were left out.").arg(bytes);
    else
        what = QStringLiteral("Only %1 %2 could be read; %3 after %4 %5 left out.")
                   .arg(groupedNumber(n), n == 1 ? "account" : "accounts", bytes, n == 1 ? "it" : "them",
                        bytesLeftOut_ == 1 ? "was" : "were");
    return what + QStringLiteral(" The file is opened read-only so that nothing overwrites it; use Save As to keep "
                                 "what was read.");
}

QByteArray TKYVNFile::Encipher(QByteArray plain) {
    return KyvnDesignedForm::Seal(std::move(plain));
}

QByteArray TKYVNFile::Decipher(QByteArray cipher) {
    return KyvnDesignedForm::Open(std::move(cipher));
}

// ---- Forms --------------------------------------------------------------------------------------

void TKYVNFile::SetForm(TKYVNFileForm form) {
    if (form == TKYVNFileForm::Protected && form_ != form)
        protected_.Forget(); // a file made protected gets its own salt and key
    form_ = form;
}

QString TKYVNFile::Protection() const {
    return IsProtected() ? TKYVNProtectedForm::Describe(protected_.Cost()) : QStringLiteral("None: fixed key");
}

QString TKYVNFile::FormDescription() const {
    return IsProtected() ? QStringLiteral("protected (%1)").arg(Protection())
                         : QStringLiteral("not protected (fixed key)");
}

bool TKYVNFile::CheckPassword(const QString& typed) const {
    return IsProtected() ? typed == Password : KyvnSameText(typed, Password);
}

void TKYVNFile::CheckNewPassword(const QString& password, TKYVNFileForm form) {
    if (password.size() < MinPasswordLength)
        throw EQsException(QStringLiteral("Password must be at least %1 characters long.").arg(MinPasswordLength));
    if (password.size() > MaxPasswordLength(form))
        throw EQsException(QStringLiteral("Password must be at most %1 characters long.").arg(MaxPasswordLength(form)));
    if (form == TKYVNFileForm::Designed && HasReservedChars(password))
        throw EQsException(QStringLiteral("A password cannot hold ' or #."));
    if (password.contains(QLatin1Char('\0')) || password.contains(QLatin1Char('\r')) ||
        password.contains(QLatin1Char('\n')))
        throw EQsException(QStringLiteral("A password cannot hold a line break."));
}

TKYVNFileForm TKYVNFile::Examine() const {
    try {
        // The header and the length are enough to refuse a file; nothing is derived here.
        QByteArray bytes = readWholeFile(FileName);
        if (!TKYVNProtectedForm::Recognise(bytes))
            return TKYVNFileForm::Designed;
        TKYVNProtectedForm::CheckHeader(bytes);
        return TKYVNFileForm::Protected;
    } catch (const EKYVNRefusedHeader& e) {
        throw EKYVNRefusedHeader(QStringLiteral("Error loading file '%1'.").arg(namePart(FileName)), e.Message, 1);
    } catch (const std::exception& e) {
        throw EQsException(QStringLiteral("Error loading file '%1'.").arg(namePart(FileName)), QsExceptionMessage(e),
                           1);
    }
}

QByteArray TKYVNFile::seal(const QByteArray& plain, TKYVNFileForm form) {
    if (form == TKYVNFileForm::Protected)
        return protected_.Seal(plain, Password);
    return KyvnDesignedForm::Seal(plain);
}

// What was written must open to what was meant before anything is replaced.
bool TKYVNFile::sealedAsMeant(const QByteArray& file, const QByteArray& plain, TKYVNFileForm form) const {
    QByteArray check;
    bool same = false;
    if (form == TKYVNFileForm::Protected) {
        try {
            check = protected_.Reopen(file);
            same = check == plain;
        } catch (const std::exception&) {
            same = false;
        }
    } else {
        check = KyvnDesignedForm::Open(file);
        same = check.size() >= plain.size() && check.startsWith(plain) &&
               std::all_of(check.cbegin() + plain.size(), check.cend(), [](char c) { return c == '\0'; });
    }
    wipe(check);
    return same;
}

// ---- Reading ------------------------------------------------------------------------------------

void TKYVNFile::Load() {
    try {
        loadFile();
    } catch (const EKYVNWrongPassword&) {
        throw;
    } catch (const EKYVNRefusedHeader& e) {
        throw EKYVNRefusedHeader(QStringLiteral("Error loading file '%1'.").arg(namePart(FileName)), e.Message, 1);
    } catch (const std::exception& e) {
        throw EQsException(QStringLiteral("Error loading file '%1'.").arg(namePart(FileName)), QsExceptionMessage(e),
                           1);
    }
}

bool TKYVNFile::LoadWithPassword(const QString& typed) {
    ClearAccounts();
    Password = typed;
    try {
        Load();
        return true;
    } catch (const EKYVNWrongPassword&) {
        ClearAccounts();
        Password.clear();
        return false;
    }
}

void TKYVNFile::loadFile() {
    struct stat st;
    if (::stat(nativePath(FileName).constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > kLargestFile)
        throw EQsException(QStringLiteral("This is not a valid passwords file."));
    disk_ = TKYVNDiskState();
    QByteArray data = readWholeFile(FileName, QByteArray(), &st);
    // without the hash of the bytes when no write-back will compare it
    const TKYVNDiskState read = diskState(st, ForWriteBack ? QByteArrayView(data) : QByteArrayView());
    LoadBytes(std::move(data));
    disk_ = read;
}

void TKYVNFile::LoadBytes(QByteArray data) {
    writtenHash_.clear();
    readAlikeHash_.clear();
    if (TKYVNProtectedForm::Recognise(data)) {
        // The header is checked, then the key derived and the whole body verified, before any account is
        // read: a file that does not open yields nothing.
        QByteArray plain = protected_.Open(data, Password);
        TKYVNPlainGuard guard(plain);
        readPlain(plain, false);
        form_ = writtenForm_ = TKYVNFileForm::Protected;
    } else {
        const bool lengthDamaged = data.size() % 8 != 0;
        data = KyvnDesignedForm::Open(std::move(data));
        TKYVNPlainGuard guard(data);
        readPlain(data, lengthDamaged);
        form_ = writtenForm_ = TKYVNFileForm::Designed;
        protected_.Forget();
    }
    // What a write-back would write now; writing the same again is no change.
    if (!ForWriteBack)
        return;
    if (!readAlikeHash_.isEmpty()) {
        writtenHash_ = std::exchange(readAlikeHash_, QByteArray());
        return;
    }
    try {
        QByteArray plain = PlainText();
        writtenHash_ = contentHash(plain);
        wipe(plain);
    } catch (const std::exception&) {
        // a text the file cannot carry: any write-back tries, and reports it
    }
}

QByteArray TKYVNFile::FileBytes() {
    QByteArray plain = PlainText();
    TKYVNPlainGuard guard(plain);
    return seal(plain, form_);
}

// ---- Writing ------------------------------------------------------------------------------------

void TKYVNFile::Save(bool backupFiles) {
    try {
        saveFile(backupFiles);
    } catch (const std::exception& e) {
        throw EQsException(QStringLiteral("Error saving file '%1'.").arg(FileName), QsExceptionMessage(e), 1);
    }
}

void TKYVNFile::Save() {
    Save(Options ? Options->BackupFiles : true);
}

void TKYVNFile::SaveCopyAs(const QString& path, TKYVNFileForm form) {
    try {
        if (form == TKYVNFileForm::Protected && !IsProtected())
            protected_.Forget(); // a protected copy of an unprotected file gets its own salt and key
        writeFile(path, form, false, false, true);
    } catch (const std::exception& e) {
        throw EQsException(QStringLiteral("Error saving file '%1'.").arg(path), QsExceptionMessage(e), 1);
    }
}

bool TKYVNFile::Changed() const {
    if (writtenHash_.isEmpty() || form_ != writtenForm_)
        return true;
    try {
        QByteArray plain = PlainText();
        const bool changed = contentHash(plain) != writtenHash_;
        wipe(plain);
        return changed;
    } catch (const std::exception&) {
        return true; // the save reports what cannot be written
    }
}

bool TKYVNFile::ChangedElsewhere() {
    if (!disk_.Known)
        return false;
    struct stat st;
    QByteArray bytes;
    try {
        bytes = readWholeFile(QsReplaceTarget(FileName), QByteArray(), &st);
    } catch (const EInOutError&) {
        return false; // gone or unreadable: there is nothing to keep
    }
    // The bytes decide: a sync that rewrote the same bytes changed nothing.
    const TKYVNDiskState now = diskState(st, bytes);
    if (now.Hash != disk_.Hash)
        return true;
    disk_ = now;
    return false;
}

QString TKYVNFile::KeepChangedElsewhere() {
    const QString target = QsReplaceTarget(FileName);
    struct stat st;
    const QByteArray bytes = readWholeFile(target, QByteArray(), &st);
    const QFileInfo info(target);
    QString base = info.fileName();
    if (base.endsWith(QLatin1String(".kvf")))
        base.chop(4);
    const QString when = QDateTime::fromSecsSinceEpoch(st.st_mtim.tv_sec).toString(QStringLiteral("yyyy-MM-dd HHmmss"));
    for (int n = 1; n < 1000; ++n) {
        const QString name = QStringLiteral("%1 (changed elsewhere %2%3).kvf")
                                 .arg(base, when, n == 1 ? QString() : QStringLiteral(" %1").arg(n));
        const QString path = info.absolutePath() + u'/' + name;
        TFd out(::open(nativePath(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (out.fd < 0 && errno == EEXIST)
            continue;
        if (out.fd < 0)
            ioError();
        try {
            writeAllTo(out.fd, bytes.constData(), size_t(bytes.size()));
            if (::fsync(out.fd) != 0)
                ioError();
            out.close();
        } catch (...) {
            ::unlink(nativePath(path).constData());
            throw;
        }
        QsSyncFolder(info.absolutePath());
        return path;
    }
    ioError(EEXIST);
}

QString TKYVNFile::WriteBack(bool backupFiles) {
    if (!Changed())
        return QString();
    std::optional<TKYVNFileLock> lock;
    QString kept;
    try {
        // What could not be read must not be cut away by a write-back; Save As keeps what was read.
        if (damaged_)
            throw EQsException(DamageWarning());
        lock.emplace(FileName);
        if (ChangedElsewhere())
            kept = KeepChangedElsewhere();
    } catch (const std::exception& e) {
        throw EQsException(QStringLiteral("Error saving file '%1'.").arg(FileName), QsExceptionMessage(e), 1);
    }
    Save(backupFiles);
    return kept;
}

QString TKYVNFile::WriteBack() {
    return WriteBack(Options ? Options->BackupFiles : true);
}

void TKYVNFile::saveFile(bool backupFiles) {
    if (FileName.isEmpty())
        throw EInOutError(ENOENT);
    // A file that changes form (made protected) also gets its backup in the new form, so that no copy
    // Keyvane made of it is left readable beside it.
    const bool newForm = disk_.Known && form_ != writtenForm_;
    const TWritten written = writeFile(FileName, form_, backupFiles, newForm);
    writtenHash_ = written.PlainHash;
    writtenForm_ = form_;
    disk_ = diskState(written.Status, QByteArrayView());
    disk_.Hash = written.BytesHash;
}

TKYVNFile::TWritten TKYVNFile::writeFile(const QString& path, TKYVNFileForm form, bool backupFiles, bool backupInForm,
                                         bool copy) {
    if (path.isEmpty())
        throw EInOutError(ENOENT);
    const QString target = QsReplaceTarget(path);
    const QByteArray targetPath = nativePath(target);
    const QString folder = QFileInfo(target).absolutePath();

    struct stat previous;
    const bool exists = ::stat(targetPath.constData(), &previous) == 0;
    if (exists && !S_ISREG(previous.st_mode))
        throw EInOutError(S_ISDIR(previous.st_mode) ? EISDIR : EINVAL);

    QByteArray plain = PlainText();
    TKYVNPlainGuard guard(plain);
    const QByteArray plainHash = contentHash(plain);
    const QByteArray bytes = seal(plain, form);
    const QByteArray bytesHash = contentHash(bytes);

    // Saves cut short before (a kill, a power cut) left their new files here; they go now.
    RemoveStaleSaveFiles(folder);
    TSiblingFile fresh(folder, "save");
    writeAllTo(fresh.Fd(), bytes.constData(), size_t(bytes.size()));
    // The new file belongs to the old one's owner and group, so that a save made by another user (root)
    // does not lock the owner out. Where that is not allowed, the group alone is tried; failing that, the
    // saver stays the owner.
    if (exists && (previous.st_uid != ::geteuid() || previous.st_gid != ::getegid())) {
        if (::fchown(fresh.Fd(), previous.st_uid, previous.st_gid) != 0 &&
            ::fchown(fresh.Fd(), uid_t(-1), previous.st_gid) != 0) {
        }
    }
    // Saving over a read-only file removes its mark: the new file gets the old one's permissions
    // with the owner's read and write bits; a new file stays owner-only.
    if (exists && ::fchmod(fresh.Fd(), (previous.st_mode & 07777) | S_IRUSR | S_IWUSR) != 0)
        ioError();
    fresh.StartWriteBack();

    QByteArray check = readWholeFile(QFile::decodeName(fresh.Path()));
    const bool same = sealedAsMeant(check, plain, form);
    if (!same)
        throw EQsException(QStringLiteral("The file written could not be read back as it was meant."));
    TWritten written;
    fresh.SyncAndClose(&written.Status);
    written.PlainHash = plainHash;
    written.BytesHash = bytesHash;

    const QByteArray backupPath = nativePath(BackupFileName(target));
    if (backupInForm && exists && previous.st_dev == disk_.Device && previous.st_ino == disk_.Inode) {
        // The old file's backup would keep it in its old form: the backup is this new file too.
        struct stat oldBackup;
        if (backupFiles || ::stat(backupPath.constData(), &oldBackup) == 0) {
            TSiblingFile copy(folder, "backup");
            writeAllTo(copy.Fd(), bytes.constData(), size_t(bytes.size()));
            ::fchmod(copy.Fd(), written.Status.st_mode & 07777);
            copy.SyncAndClose();
            copy.RenameTo(backupPath);
        }
    } else if (backupFiles && exists) {
        keepBackup(folder, targetPath, backupPath);
    }
    if (copy) {
        // A copy goes where its name leads now, never onto the open file or its backup.
        fresh.CommitChosen(path);
        return written;
    }
    fresh.RenameTo(targetPath);
    QsSyncFolder(folder);
    return written;
}
