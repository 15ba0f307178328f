// Hands one mail message to the user's mail program: subject, body, recipients in three classes and
// attached files, shown in the mail program's compose window. On Linux the desktop's xdg-email does
// this; the message goes over as its arguments, in the order of the recipients (to, copy, blind copy),
// then the subject and body, then the attachments.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QProcess;

class TQsMapi : public QObject {
    Q_OBJECT
public:
    explicit TQsMapi(QObject* owner = nullptr);
    ~TQsMapi() override;

    QString Subject;
    QString Body;
    // The desktop's mail hand-over has no sender: the mail program's own account is used. Kept so
    // callers can say who writes.
    QString FromName;
    QString FromAdress;
    QStringList Recipients;
    QStringList CopyTo;
    QStringList BlindCopyTo;
    QStringList AttachedFiles;
    QStringList DisplayFileName; // the attachments' names without folder; rebuilt by Send
    // The mail program always shows its compose window for a message from the desktop; kept for callers.
    bool ShowDialog = false;
    bool UseAppHandle = false;

    // Outcomes of Send: 0 OnSuccess, 1 OnUserAbort (also: no mail tool or no mail program), any other
    // code OnMapiError. An event without a handler does nothing.
    std::function<void(QObject* sender)> OnUserAbort;
    std::function<void(QObject* sender, int code)> OnMapiError;
    std::function<void(QObject* sender)> OnSuccess;

    // Starts the hand-over and returns at once: the window stays usable while the mail program runs, and
    // the outcome arrives through the events later on the event loop. Freeing the component before then
    // only drops the events; the mail program goes on.
    void Send();
    // The arguments Send gives the mail tool for the current properties.
    QStringList Arguments();
    // The outcome code of a finished mail tool run: 0 sent, 1 cancelled or no mail program, else failed.
    static int ResultCode(bool started, int exitCode);

    // The mail tool's name or path ("xdg-email").
    static QString MailTool();

private:
    void Finished(int code);
};
