#include "QsFilePropsFrm.h"

#include "QsAnswers.h"
#include "QsExceptions.h"
#include "QsFileUtils.h"
#include "QsShellUtils.h"
#include "QsStrUtils.h"

#include <QApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

struct TAttributeItem {
    const char* Caption;
    quint32 Bit;
};
const TAttributeItem kAttributes[] = {
    {"Archive", faArchive}, {"Read-only", faReadOnly},    {"Hidden", faHidden},
    {"System", faSysFile},  {"Compressed", faCompressed},
};

// The window's own picture, shown until the file type's icon is found: a sheet with a folded corner.
QPixmap documentPicture() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath sheet;
    sheet.moveTo(7, 3);
    sheet.lineTo(20, 3);
    sheet.lineTo(26, 9);
    sheet.lineTo(26, 29);
    sheet.lineTo(7, 29);
    sheet.closeSubpath();
    p.setPen(QPen(QColor(0x60, 0x70, 0x80), 1.5));
    p.setBrush(Qt::white);
    p.drawPath(sheet);
    p.drawPolyline(QPolygonF({QPointF(20, 3), QPointF(20, 9), QPointF(26, 9)}));
    p.setPen(QPen(QColor(0xa0, 0xb0, 0xc0), 1.5));
    for (int y = 14; y <= 24; y += 5)
        p.drawLine(QPointF(11, y), QPointF(22, y));
    return pm;
}

QLineEdit* makeField(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setReadOnly(true);
    edit->setFrame(false);
    edit->setMinimumWidth(250);
    // A read-only field that still lets the user select and copy its text, drawn on the page's colour.
    QPalette pal = edit->palette();
    pal.setColor(QPalette::Base, Qt::transparent);
    edit->setPalette(pal);
    return edit;
}

} // namespace

QString FileSizeText(qint64 size) {
    if (size < 0)
        return QStringLiteral("Unknown");
    return QStringLiteral("%1 bytes").arg(GroupDigits(QString::number(size), u','));
}

QString FileTimeText(const QDateTime& time) {
    const QString text = time.isValid() ? DateTimeText(time) : QString();
    return text.isEmpty() ? QStringLiteral("Unknown") : text;
}

TFilePropsForm::TFilePropsForm(QWidget* parent) : TKeyPreviewDialog(parent) {
    setObjectName(QStringLiteral("TFilePropsForm"));
    setWindowTitle(QStringLiteral("File Properties..."));

    pcProperties = new QTabWidget(this);
    pcProperties->setObjectName(QStringLiteral("pcProperties"));
    auto* page = new QWidget(pcProperties);
    page->setObjectName(QStringLiteral("tsGeneral"));
    pcProperties->addTab(page, QStringLiteral("General"));

    imgIcon = new QLabel(page);
    imgIcon->setObjectName(QStringLiteral("imgIcon"));
    imgIcon->setFixedSize(32, 32);
    imgIcon->setPixmap(documentPicture());
    imgIcon->setAccessibleName(QStringLiteral("Passwords file"));

    txtFileName = makeField(page, "txtFileName");
    txtLocation = makeField(page, "txtLocation");
    txtFileType = makeField(page, "txtFileType");
    txtSize = makeField(page, "txtSize");
    txtProtection = makeField(page, "txtProtection");
    txtCreated = makeField(page, "txtCreated");
    txtModified = makeField(page, "txtModified");
    txtAccessed = makeField(page, "txtAccessed");

    clbAttributes = new QListWidget(page);
    clbAttributes->setObjectName(QStringLiteral("clbAttributes"));
    for (const TAttributeItem& a : kAttributes) {
        auto* item = new QListWidgetItem(QLatin1String(a.Caption), clbAttributes);
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
        item->setCheckState(Qt::Unchecked);
    }
    clbAttributes->setEnabled(false); // shows the attributes; nothing here changes them
    clbAttributes->setFocusPolicy(Qt::NoFocus);
    clbAttributes->setFixedHeight(clbAttributes->sizeHintForRow(0) * int(std::size(kAttributes)) + 6);

    // Groups in the order of the page, separated by lines: name; location, type, size; the times;
    // the attributes.
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(6);
    int row = 0;
    auto addRow = [&](QLabel* label, QWidget* field) {
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row++, 1);
    };
    auto addLine = [&] { grid->addWidget(MakeSeparator(page), row++, 0, 1, 2); };
    auto* nameLabel = new QHBoxLayout;
    nameLabel->setSpacing(8);
    nameLabel->addWidget(imgIcon);
    nameLabel->addWidget(MakeLabel(page, "lblFileName", QStringLiteral("&File:"), txtFileName));
    nameLabel->addStretch(1);
    grid->addLayout(nameLabel, row, 0);
    grid->addWidget(txtFileName, row++, 1);
    addLine();
    addRow(MakeLabel(page, "lblLocation", QStringLiteral("&Location:"), txtLocation), txtLocation);
    addRow(MakeLabel(page, "lblFileType", QStringLiteral("&Type of file:"), txtFileType), txtFileType);
    addRow(MakeLabel(page, "lblSize", QStringLiteral("&Size:"), txtSize), txtSize);
    lblProtection_ = MakeLabel(page, "lblProtection", QStringLiteral("&Protection:"), txtProtection);
    addRow(lblProtection_, txtProtection);
    SetProtection(QString());
    addLine();
    addRow(MakeLabel(page, "lblCreated", QStringLiteral("C&reated:"), txtCreated), txtCreated);
    addRow(MakeLabel(page, "lblModified", QStringLiteral("&Modified:"), txtModified), txtModified);
    addRow(MakeLabel(page, "lblAccessed", QStringLiteral("&Accessed:"), txtAccessed), txtAccessed);
    addLine();
    auto* lblAttributes = MakeLabel(page, "lblAttributes", QStringLiteral("Attributes:"), clbAttributes);
    lblAttributes->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    addRow(lblAttributes, clbAttributes);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(12, 12, 12, 12);
    pageLayout->addLayout(grid);

    cmdClose = MakeDialogButton(this, "cmdClose", QStringLiteral("&Close"));
    cmdClose->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);

    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(10, 10, 10, 10);
    main->setSpacing(10);
    main->addWidget(pcProperties);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdClose, &QPushButton::clicked, this, [this] { QsGuard([this] { accept(); }); });
    PreviewKeys();
}

void TFilePropsForm::Fill(const QString& path) {
    const QFileInfo info(path);
    txtFileName->setText(info.fileName());
    QString folder = info.absolutePath();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    txtLocation->setText(folder);
    txtFileType->setText(FileTypeName(path));
    txtSize->setText(FileSizeText(FileSize(path)));
    txtCreated->setText(FileTimeText(FileCreatedTime(path)));
    txtModified->setText(FileTimeText(FileModifiedTime(path)));
    txtAccessed->setText(FileTimeText(FileAccessedTime(path)));
    const qint64 attrs = FileAttributes(path);
    for (int i = 0; i < clbAttributes->count(); ++i) {
        const bool set = attrs >= 0 && (quint64(attrs) & kAttributes[i].Bit) == kAttributes[i].Bit;
        clbAttributes->item(i)->setCheckState(set ? Qt::Checked : Qt::Unchecked);
    }
    for (QLineEdit* edit : {txtFileName, txtLocation, txtFileType, txtSize, txtCreated, txtModified, txtAccessed})
        edit->setCursorPosition(0);
    // Any failure of the icon look-up leaves the window's own picture.
    try {
        const QIcon icon = FileIcon(path);
        if (!icon.isNull())
            imgIcon->setPixmap(icon.pixmap(32, 32));
    } catch (...) {
    }
}

void TFilePropsForm::SetProtection(const QString& protection) {
    txtProtection->setText(protection);
    txtProtection->setCursorPosition(0);
    // the whole description stays readable: the window grows for it
    txtProtection->setMinimumWidth(txtProtection->fontMetrics().horizontalAdvance(protection) + 16);
    lblProtection_->setVisible(!protection.isEmpty());
    txtProtection->setVisible(!protection.isEmpty());
}

void ShowFileProperties(const QString& path, const QString& protection) {
    TFilePropsForm form(QApplication::activeWindow());
    form.Fill(path);
    form.SetProtection(protection);
    QsAnswers::Record(QStringLiteral("TFilePropsForm"), path);
    if (auto answer = QsAnswers::Take(QStringLiteral("TFilePropsForm"), &form); answer && answer->isValid())
        return;
    form.exec();
}
