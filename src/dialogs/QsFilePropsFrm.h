// The file properties window: what the file system knows about one file (name, folder, type, size,
// three times, attributes and the type's icon). It reads nothing of the file's contents and changes
// nothing.
#pragma once

#include "QsDialogBase.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

class TFilePropsForm : public TKeyPreviewDialog {
    Q_OBJECT
public:
    explicit TFilePropsForm(QWidget* parent = nullptr);

    QTabWidget* pcProperties;
    QLabel* imgIcon;
    QLineEdit* txtFileName;
    QLineEdit* txtLocation;
    QLineEdit* txtFileType;
    QLineEdit* txtSize;
    QLineEdit* txtProtection; // how the passwords file is protected, as its store describes it
    QLineEdit* txtCreated;
    QLineEdit* txtModified;
    QLineEdit* txtAccessed;
    QListWidget* clbAttributes;
    QPushButton* cmdClose;

    // Fills every field for the file; a field that cannot be determined keeps its default.
    void Fill(const QString& path);
    // The "Protection:" row: "Argon2id, 256 MiB, 3 passes; XChaCha20-Poly1305" or "None: fixed key".
    void SetProtection(const QString& protection);

private:
    QLabel* lblProtection_;
};

// The size as the window shows it: "1,234,567 bytes".
QString FileSizeText(qint64 size);
// A time as the window shows it: the short date and long time, or "Unknown".
QString FileTimeText(const QDateTime& time);

// Shows the properties of the file modally. Goes through QsAnswers ("TFilePropsForm"): a handler gets
// the filled window and its answer stands for the user closing it.
void ShowFileProperties(const QString& path, const QString& protection = QString());
