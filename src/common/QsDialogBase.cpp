#include "QsDialogBase.h"

#include "QsApp.h"
#include "QsExceptions.h"
#include "QsHelpUtils.h"
#include "QsMsgFrm.h"

#include <QAccessible>
#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

TKeyPreviewDialog::TKeyPreviewDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setFont(QsDialogFont(AppInfo ? AppInfo->DialogFont : QString()));
}

void TKeyPreviewDialog::PreviewKeys() {
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

bool TKeyPreviewDialog::FormKeyDown(QKeyEvent* event) {
    // Esc acts when released; swallowing the press keeps QDialog from closing early.
    return event->key() == Qt::Key_Escape;
}

bool TKeyPreviewDialog::FormKeyUp(QKeyEvent* event) {
    const bool dialogKey =
        (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) || event->key() == Qt::Key_F1;
    if (dialogKey && !event->isAutoRepeat())
        DialogKeyUp(event->key(), this, AppInfo, HelpContext);
    return dialogKey;
}

bool TKeyPreviewDialog::previewKey(QKeyEvent* event) {
    // The keys the dialog acts on are swallowed, so a key that travels on from an ignoring control to
    // its parents is acted on once; all others reach the controls (buttons act on the release of Space).
    bool handled = false;
    if (event->type() == QEvent::KeyPress)
        QsGuard([&] { handled = FormKeyDown(event); });
    else
        QsGuard([&] { handled = FormKeyUp(event); });
    return handled;
}

bool TKeyPreviewDialog::eventFilter(QObject* watched, QEvent* event) {
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
        previewKey(static_cast<QKeyEvent*>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

void TKeyPreviewDialog::keyPressEvent(QKeyEvent* event) {
    if (!previewKey(event))
        QDialog::keyPressEvent(event);
}

void TKeyPreviewDialog::keyReleaseEvent(QKeyEvent* event) {
    if (!previewKey(event))
        QDialog::keyReleaseEvent(event);
}

void TKeyPreviewDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    QsNameControls(this);
    // Centred on the window that opened it, or on the screen when there is none.
    const QWidget* owner = parentWidget() ? parentWidget()->window() : QApplication::activeWindow();
    if (owner && owner != this && owner->isVisible())
        move(owner->frameGeometry().center() - rect().center());
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QPushButton* MakeDialogButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    button->setMinimumWidth(80);
    return button;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, QWidget* buddy) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    if (buddy)
        label->setBuddy(buddy);
    return label;
}

void QsNameControls(QWidget* window) {
    const auto plain = [](QString text) {
        // "&&" is a shown ampersand, a single "&" marks the accelerator.
        text.replace(QStringLiteral("&&"), QStringLiteral("\x01")).remove(QLatin1Char('&'));
        return text.replace(QLatin1Char('\x01'), QLatin1Char('&')).simplified();
    };
    for (QLabel* label : window->findChildren<QLabel*>()) {
        QWidget* buddy = label->buddy();
        if (buddy && buddy->accessibleName().isEmpty() && !label->text().isEmpty())
            buddy->setAccessibleName(plain(label->text()));
    }
    for (QWidget* control : window->findChildren<QWidget*>()) {
        if (!control->accessibleName().isEmpty() || !(control->focusPolicy() & Qt::TabFocus))
            continue;
        // A button's caption, a check box's text and a label's buddy already name it.
        const QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
        if (accessible && !accessible->text(QAccessible::Name).trimmed().isEmpty())
            continue;
        QString name = control->toolTip();
        if (name.isEmpty())
            if (auto* edit = qobject_cast<QLineEdit*>(control))
                name = edit->placeholderText();
        if (!name.isEmpty())
            control->setAccessibleName(plain(name));
    }
}

QFrame* MakeSeparator(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}
