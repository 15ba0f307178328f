// One seam for every modal question the program asks (message boxes, file dialogs, the password
// question, the account dialogs). Tests queue answers here; when none is queued the real dialog runs.
//
//   QsAnswers::Push("QsMessage", QsAnswerYes);            // the next message box answers Yes
//   QsAnswers::Push("OpenFile", "/tmp/a.kvf");             // the next open dialog returns this path
//   QsAnswers::PushHandler("TAccountEdit", [](QObject* dlg) { ...fill the real dialog...; return 1; });
//
// A handler receives the real dialog object (already built, not shown) and returns the dialog's result.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <optional>

namespace QsAnswers {

using Handler = std::function<QVariant(QObject* dialog)>;

void Push(const QString& question, const QVariant& answer);
void PushHandler(const QString& question, Handler handler);

// The queued answer for this question, if any; the dialog passes itself for handlers to work on.
std::optional<QVariant> Take(const QString& question, QObject* dialog = nullptr);

// Every question asked while answers were queued or recording is on, as "question: text" lines,
// so tests can check what the user would have seen.
void Record(const QString& question, const QString& text);
QStringList Log();
void SetRecording(bool on);

int Pending();
void Clear(); // drops queued answers and the log

} // namespace QsAnswers
