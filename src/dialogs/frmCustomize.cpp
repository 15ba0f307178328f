#include "frmCustomize.h"

#include "QsAnswers.h"
#include "QsExceptions.h"
#include "clsColumn.h"
#include "clsList.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

namespace {

const QString Mark = QStringLiteral(" *");
const QString Ascending = QStringLiteral("Ascending");
const QString Descending = QStringLiteral("Descending");

// The position at which caption keeps the entries in alphabetical order.
int alphabeticalPlace(const QStringList& entries, const QString& caption) {
    int place = 0;
    while (place < entries.size() && QString::compare(entries.at(place), caption, Qt::CaseInsensitive) <= 0)
        ++place;
    return place;
}

QStringList comboEntries(const QComboBox* combo) {
    QStringList out;
    for (int i = 0; i < combo->count(); ++i)
        out << combo->itemText(i);
    return out;
}

} // namespace

// ---------------------------------------------------------------------------------------------------

TFieldList::TFieldList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
}

void TFieldList::dragEnterEvent(QDragEnterEvent* event) {
    if (AcceptsDragFrom(event->source()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TFieldList::dragMoveEvent(QDragMoveEvent* event) {
    if (AcceptsDragFrom(event->source()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TFieldList::dropEvent(QDropEvent* event) {
    if (!AcceptsDragFrom(event->source())) {
        event->ignore();
        return;
    }
    // A copy, so the source view leaves its items alone: the dialog's own action moves the field.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (OnDrop)
        QsGuard(OnDrop);
}

// ---------------------------------------------------------------------------------------------------

TCustForm::TCustForm(QWidget* parent) : TKeyPreviewDialog(parent) {
    setObjectName(QStringLiteral("TCustForm"));
    setWindowTitle(QStringLiteral("Customize Accounts List..."));
    HelpContext = 0; // the default topic

    lbAvailable = new TFieldList(this);
    lbAvailable->setObjectName(QStringLiteral("lbAvailable"));
    lbFields = new TFieldList(this);
    lbFields->setObjectName(QStringLiteral("lbFields"));
    lbAvailable->Partner = lbFields;
    lbFields->Partner = lbAvailable;
    for (QListWidget* lb : {static_cast<QListWidget*>(lbAvailable), static_cast<QListWidget*>(lbFields)})
        lb->setFixedSize(140, 170);

    lblAvailable = new QLabel(QStringLiteral("A&vailable fields:"), this);
    lblAvailable->setObjectName(QStringLiteral("lblAvailable"));
    lblAvailable->setBuddy(lbAvailable);
    lblFields = new QLabel(QStringLiteral("&Show these fields:"), this);
    lblFields->setObjectName(QStringLiteral("lblFields"));
    lblFields->setBuddy(lbFields);
    Label1 = new QLabel(QStringLiteral("* Protected field"), this);
    Label1->setObjectName(QStringLiteral("Label1"));

    // The six actions, each with its button: one table, one loop.
    struct ActionDef {
        QAction** action;
        QPushButton** button;
        const char* name;
        const char* buttonName;
        const char* caption;
        void (TCustForm::*execute)();
    };
    const ActionDef defs[] = {
        {&actAdd, &cmdAdd, "actAdd", "cmdAdd", "&Add ->", &TCustForm::actAddExecute},
        {&actRemove, &cmdRemove, "actRemove", "cmdRemove", "<- &Remove", &TCustForm::actRemoveExecute},
        {&actMoveUp, &cmdMoveUp, "actMoveUp", "cmdMoveUp", "Move &Up", &TCustForm::actMoveUpExecute},
        {&actMoveDown, &cmdMoveDown, "actMoveDown", "cmdMoveDown", "Move &Down", &TCustForm::actMoveDownExecute},
        {&actProtect, &cmdProtect, "actProtect", "cmdProtect", "&Protect", &TCustForm::actProtectExecute},
        {&actUnprotect, &cmdUnprotect, "actUnprotect", "cmdUnprotect", "U&nprotect", &TCustForm::actUnprotectExecute},
    };
    for (const ActionDef& def : defs) {
        QAction* action = new QAction(QString::fromLatin1(def.caption), this);
        action->setObjectName(QLatin1String(def.name));
        QPushButton* button = new QPushButton(action->text(), this);
        button->setObjectName(QLatin1String(def.buttonName));
        button->setAutoDefault(false);
        button->setMinimumWidth(90);
        const auto execute = def.execute;
        connect(action, &QAction::triggered, this, [this, execute] {
            QsGuard([this, execute] {
                (this->*execute)();
                alActionsUpdate();
            });
        });
        connect(button, &QPushButton::clicked, action, [action] {
            if (action->isEnabled())
                action->trigger();
        });
        connect(action, &QAction::changed, button, [action, button] { button->setEnabled(action->isEnabled()); });
        *def.action = action;
        *def.button = button;
    }

    lblSort = new QLabel(QStringLiteral("Sor&t accounts by:"), this);
    lblSort->setObjectName(QStringLiteral("lblSort"));
    cbSortField = new QComboBox(this);
    cbSortField->setObjectName(QStringLiteral("cbSortField"));
    cbSortField->setMinimumWidth(130);
    lblSort->setBuddy(cbSortField);
    lblIn = new QLabel(QStringLiteral("&in"), this);
    lblIn->setObjectName(QStringLiteral("lblIn"));
    cbSortType = new QComboBox(this);
    cbSortType->setObjectName(QStringLiteral("cbSortType"));
    cbSortType->addItems({Ascending, Descending});
    lblIn->setBuddy(cbSortType);
    lblOrder = new QLabel(QStringLiteral("order"), this);
    lblOrder->setObjectName(QStringLiteral("lblOrder"));

    cmdOK = MakeDialogButton(this, "cmdOK", QStringLiteral("&OK"));
    cmdClose = MakeDialogButton(this, "cmdClose", QStringLiteral("&Close"));
    cmdReset = MakeDialogButton(this, "cmdReset", QStringLiteral("R&eset"));
    cmdOK->setDefault(true);

    // Layout: available list, add/remove, shown list, order/protect buttons; then sort; then buttons.
    auto* addRemove = new QVBoxLayout;
    addRemove->addStretch(1);
    addRemove->addWidget(cmdAdd);
    addRemove->addWidget(cmdRemove);
    addRemove->addStretch(1);
    auto* orderProtect = new QVBoxLayout;
    orderProtect->addWidget(cmdMoveUp);
    orderProtect->addWidget(cmdMoveDown);
    orderProtect->addSpacing(12);
    orderProtect->addWidget(cmdProtect);
    orderProtect->addWidget(cmdUnprotect);
    orderProtect->addStretch(1);

    auto* lists = new QGridLayout;
    lists->setHorizontalSpacing(8);
    lists->setVerticalSpacing(3);
    lists->addWidget(lblAvailable, 0, 0);
    lists->addWidget(lbAvailable, 1, 0);
    lists->addLayout(addRemove, 1, 1);
    lists->addWidget(lblFields, 0, 2);
    lists->addWidget(lbFields, 1, 2);
    lists->addWidget(Label1, 2, 2);
    lists->addLayout(orderProtect, 1, 3);

    auto* sort = new QHBoxLayout;
    sort->setSpacing(6);
    sort->addWidget(lblSort);
    sort->addWidget(cbSortField);
    sort->addWidget(lblIn);
    sort->addWidget(cbSortType);
    sort->addWidget(lblOrder);
    sort->addStretch(1);

    QFrame* line = MakeSeparator(this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdReset);
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdClose);

    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(10, 10, 10, 10);
    main->setSpacing(10);
    main->addLayout(lists);
    main->addLayout(sort);
    main->addWidget(line);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);

    QWidget* order[] = {lbAvailable,  cmdAdd,      cmdRemove,  lbFields, cmdMoveUp, cmdMoveDown, cmdProtect,
                        cmdUnprotect, cbSortField, cbSortType, cmdOK,    cmdClose,  cmdReset};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    lbAvailable->OnDrop = [this] { actRemove->trigger(); };
    lbFields->OnDrop = [this] { actAdd->trigger(); };
    connect(lbAvailable, &QListWidget::itemDoubleClicked, actAdd, &QAction::trigger);
    connect(lbFields, &QListWidget::itemDoubleClicked, actRemove, &QAction::trigger);
    const auto update = [this] { QsGuard([this] { alActionsUpdate(); }); };
    connect(lbAvailable, &QListWidget::currentRowChanged, this, update);
    connect(lbFields, &QListWidget::currentRowChanged, this, update);
    connect(lbAvailable, &QListWidget::itemSelectionChanged, this, update);
    connect(lbFields, &QListWidget::itemSelectionChanged, this, update);
    connect(cmdOK, &QPushButton::clicked, this, [this] { QsGuard([this] { cmdOKClick(); }); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { QsGuard([this] { cmdCloseClick(); }); });
    connect(cmdReset, &QPushButton::clicked, this, [this] { QsGuard([this] { cmdResetClick(); }); });
    // The states are recomputed when the application goes idle, as well as after every change here.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, update);

    alActionsUpdate();
    PreviewKeys();
}

QStringList TCustForm::Entries(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

bool TCustForm::IsMarked(const QString& entry) {
    return entry.contains(QLatin1Char('*'));
}

QString TCustForm::CaptionOf(const QString& entry) {
    return IsMarked(entry) ? entry.chopped(2) : entry;
}

void TCustForm::insertAvailable(const QString& caption) {
    lbAvailable->insertItem(alphabeticalPlace(Entries(lbAvailable), caption), caption);
}

void TCustForm::addSortField(const QString& caption) {
    if (cbSortField->findText(caption, Qt::MatchExactly) >= 0)
        return;
    cbSortField->insertItem(alphabeticalPlace(comboEntries(cbSortField), caption), caption);
    ensureSortSelection();
}

void TCustForm::removeSortField(const QString& caption) {
    const int index = cbSortField->findText(caption, Qt::MatchExactly);
    if (index < 0)
        return;
    const bool wasCurrent = index == cbSortField->currentIndex();
    cbSortField->removeItem(index);
    if (wasCurrent)
        cbSortField->setCurrentIndex(-1);
    ensureSortSelection();
}

void TCustForm::ensureSortSelection() {
    if (cbSortField->count() > 0 && cbSortField->currentIndex() < 0)
        cbSortField->setCurrentIndex(0);
}

void TCustForm::LoadFromLayout() {
    lbFields->clear();
    lbAvailable->clear();
    cbSortField->clear();
    QString sortCaption;
    int shown = 0;
    for (int i = 0; i < ListLayout->ColumnCount(); ++i) {
        const TKYVNColumn& column = *ListLayout->GetColumn(i);
        if (!column.Visible) {
            insertAvailable(column.Caption);
            continue;
        }
        if (column.Protected) {
            lbFields->addItem(column.Caption + Mark);
        } else {
            lbFields->addItem(column.Caption);
            addSortField(column.Caption);
            if (shown == ListLayout->SortIndex)
                sortCaption = column.Caption;
        }
        ++shown;
    }
    const int sortEntry = sortCaption.isEmpty() ? -1 : cbSortField->findText(sortCaption, Qt::MatchExactly);
    cbSortField->setCurrentIndex(sortEntry >= 0 ? sortEntry : (cbSortField->count() > 0 ? 0 : -1));
    cbSortType->setCurrentIndex(ListLayout->SortAscending ? 0 : 1);
    alActionsUpdate();
}

void TCustForm::actAddExecute() {
    const int row = lbAvailable->currentRow();
    if (row < 0 || !lbAvailable->currentItem()->isSelected())
        return;
    const QString caption = lbAvailable->item(row)->text();
    lbFields->addItem(caption);
    lbFields->setCurrentRow(lbFields->count() - 1);
    addSortField(caption);
    delete lbAvailable->takeItem(row);
    if (row < lbAvailable->count())
        lbAvailable->setCurrentRow(row);
    else
        lbAvailable->setCurrentRow(-1);
}

void TCustForm::actRemoveExecute() {
    const int row = lbFields->currentRow();
    if (row < 0 || !lbFields->currentItem()->isSelected())
        return;
    const QString caption = CaptionOf(lbFields->item(row)->text());
    insertAvailable(caption);
    lbAvailable->setCurrentRow(Entries(lbAvailable).indexOf(caption));
    removeSortField(caption);
    delete lbFields->takeItem(row);
    if (row < lbFields->count())
        lbFields->setCurrentRow(row);
    else
        lbFields->setCurrentRow(-1);
}

void TCustForm::actMoveUpExecute() {
    const int row = lbFields->currentRow();
    if (row <= 0)
        return;
    lbFields->insertItem(row - 1, lbFields->takeItem(row));
    lbFields->setCurrentRow(row - 1);
}

void TCustForm::actMoveDownExecute() {
    const int row = lbFields->currentRow();
    if (row < 0 || row >= lbFields->count() - 1)
        return;
    lbFields->insertItem(row + 1, lbFields->takeItem(row));
    lbFields->setCurrentRow(row + 1);
}

void TCustForm::actProtectExecute() {
    QListWidgetItem* item = lbFields->currentItem();
    if (!item || IsMarked(item->text()))
        return;
    item->setText(item->text() + Mark);
    removeSortField(CaptionOf(item->text()));
}

void TCustForm::actUnprotectExecute() {
    QListWidgetItem* item = lbFields->currentItem();
    if (!item || !IsMarked(item->text()))
        return;
    item->setText(CaptionOf(item->text()));
    addSortField(item->text());
}

void TCustForm::alActionsUpdate() {
    const QListWidgetItem* available = lbAvailable->currentItem();
    const QListWidgetItem* field = lbFields->currentItem();
    const bool hasAvailable = available && available->isSelected();
    const bool hasField = field && field->isSelected();
    const int row = lbFields->currentRow();
    actAdd->setEnabled(hasAvailable);
    actRemove->setEnabled(hasField);
    actMoveUp->setEnabled(hasField && row > 0);
    actMoveDown->setEnabled(hasField && row < lbFields->count() - 1);
    actProtect->setEnabled(hasField && !IsMarked(field->text()));
    actUnprotect->setEnabled(hasField && IsMarked(field->text()));
}

void TCustForm::cmdOKClick() {
    const QStringList shown = Entries(lbFields);
    if (shown.isEmpty())
        throw EQsException(QStringLiteral("You must select at least one field."), QString(), 2);
    if (std::all_of(shown.begin(), shown.end(), IsMarked))
        throw EQsException(QStringLiteral("You must have at least one field unprotected."), QString(), 2);

    auto layout = std::make_unique<TKYVNList>();
    for (const QString& entry : shown)
        if (const TKYVNColumn* column = ListLayout->FindColumn(CaptionOf(entry)))
            layout->AddColumn(column->Caption, column->Width, true, IsMarked(entry));
    for (const QString& caption : Entries(lbAvailable))
        if (const TKYVNColumn* column = ListLayout->FindColumn(caption))
            layout->AddColumn(column->Caption, column->Width, false, column->Protected);
    layout->SortIndex = std::max(0, layout->IndexOfColumn(cbSortField->currentText()));
    layout->SortAscending = cbSortType->currentText() == Ascending;
    delete ListLayout;
    ListLayout = layout.release();
    Accepted = true;
    accept();
}

void TCustForm::cmdCloseClick() {
    reject();
}

void TCustForm::cmdResetClick() {
    ListLayout->Load(true);
    LoadFromLayout();
}

bool CustomizeList() {
    TCustForm dialog(QApplication::activeWindow());
    dialog.LoadFromLayout();
    QsAnswers::Record(QStringLiteral("TCustForm"), dialog.windowTitle());
    if (auto answer = QsAnswers::Take(QStringLiteral("TCustForm"), &dialog); answer && answer->isValid()) {
        if (answer->toBool() && !dialog.Accepted)
            dialog.cmdOKClick();
    } else {
        dialog.exec();
    }
    return dialog.Accepted;
}
