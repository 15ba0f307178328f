// The customize dialog of the accounts list: which fields are shown and in which order, which of
// them hide their values, and by which field and in which direction the list sorts.
#pragma once

#include "frmAccount.h"

#include <QListWidget>
#include <QString>
#include <functional>

class QAction;
class QComboBox;
class QLabel;
class QPushButton;

// A field list that takes drops only from its partner list and hands them to OnDrop.
class TFieldList : public QListWidget {
    Q_OBJECT
public:
    explicit TFieldList(QWidget* parent = nullptr);
    QListWidget* Partner = nullptr;
    std::function<void()> OnDrop;
    // Whether a drag that started in source may be dropped here.
    bool AcceptsDragFrom(const QObject* source) const { return source && source == Partner; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

class TCustForm : public TKeyPreviewDialog {
    Q_OBJECT
public:
    explicit TCustForm(QWidget* parent = nullptr);

    QLabel* lblAvailable;
    TFieldList* lbAvailable;
    QLabel* lblFields;
    TFieldList* lbFields;
    QLabel* Label1;
    QPushButton* cmdAdd;
    QPushButton* cmdRemove;
    QPushButton* cmdMoveUp;
    QPushButton* cmdMoveDown;
    QPushButton* cmdProtect;
    QPushButton* cmdUnprotect;
    QLabel* lblSort;
    QComboBox* cbSortField;
    QLabel* lblIn;
    QComboBox* cbSortType;
    QLabel* lblOrder;
    QPushButton* cmdOK;
    QPushButton* cmdClose;
    QPushButton* cmdReset;

    QAction* actAdd;
    QAction* actRemove;
    QAction* actMoveUp;
    QAction* actMoveDown;
    QAction* actProtect;
    QAction* actUnprotect;

    bool Accepted = false;

    // Fills the lists and the sort choice from ListLayout.
    void LoadFromLayout();
    // The texts of the entries of a list, for a look at the dialog's state.
    static QStringList Entries(const QListWidget* list);
    // A protected entry of the shown list is its caption followed by " *".
    static bool IsMarked(const QString& entry);
    static QString CaptionOf(const QString& entry);

    void actAddExecute();
    void actRemoveExecute();
    void actMoveUpExecute();
    void actMoveDownExecute();
    void actProtectExecute();
    void actUnprotectExecute();
    void alActionsUpdate();
    // Raises EQsException (kind 2) for an empty or all-protected shown list; otherwise replaces
    // ListLayout with the new layout and closes.
    void cmdOKClick();
    void cmdCloseClick();
    // Resets ListLayout itself to the defaults at once, then reloads the dialog.
    void cmdResetClick();

private:
    void addSortField(const QString& caption);
    void removeSortField(const QString& caption);
    void ensureSortSelection();
    void insertAvailable(const QString& caption);
};

// Shows the dialog on ListLayout; true when OK replaced the layout. Through QsAnswers ("TCustForm"):
// a handler gets the loaded dialog; a true answer presses OK (a refusal is raised), false closes.
bool CustomizeList();
