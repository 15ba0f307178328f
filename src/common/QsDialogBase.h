// What every dialog of the program is built on: a modal dialog that sees keys before its controls
// (Esc and F1 through DialogKeyUp), and the makers of the bottom-row buttons and separator lines.
#pragma once

#include <QDialog>

class QFrame;
class QKeyEvent;
class QLabel;
class QPushButton;
class QShowEvent;

// A fixed-size modal dialog that sees key releases before its controls: Esc closes it as Cancel does
// (on release, so a held key from another window does nothing) and F1 opens its help topic.
class TKeyPreviewDialog : public QDialog {
    Q_OBJECT
public:
    explicit TKeyPreviewDialog(QWidget* parent = nullptr);
    int HelpContext = 0;

protected:
    // Call once the controls exist: routes their key events through FormKeyDown and FormKeyUp.
    void PreviewKeys();
    // Each returns true for a key the dialog acted on; the controls then do not see it.
    virtual bool FormKeyDown(QKeyEvent* event);
    virtual bool FormKeyUp(QKeyEvent* event);
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    bool previewKey(QKeyEvent* event);
};

// A push button of the dialogs' bottom row: named for tests, never default on focus alone.
QPushButton* MakeDialogButton(QWidget* parent, const char* name, const QString& caption);
// A label named for tests; with a buddy, its underlined letter moves the focus there.
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, QWidget* buddy = nullptr);
// Gives every control of window that has no accessible name one, so that a screen reader says what it is
// for: the text of the label that introduces it (the label's buddy), without its accelerator marker;
// else its tool tip or the hint it shows while empty. Every dialog runs this when it shows.
void QsNameControls(QWidget* window);
// A sunken horizontal line between groups of controls.
QFrame* MakeSeparator(QWidget* parent);
