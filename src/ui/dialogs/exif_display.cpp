#include "ui/dialogs/exif_display.h"

#include "engine/language.h"
#include "ui/plain_text.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace tarvix {

namespace {

constexpr int TagColumnWidth = 150;
constexpr int ValueColumnWidth = 200;
constexpr QSize DesignedSize(418, 427);

QIcon RowIcon()
{
    QPixmap square(16, 16);
    square.fill(Qt::transparent);
    QPainter painter(&square);
    painter.setPen(QColor(0x4a, 0x90, 0xc8));
    painter.setBrush(QColor(0xa8, 0xd4, 0xf4));
    painter.drawRect(3, 3, 9, 9);
    return QIcon(square);
}

} // namespace

TFormExif::TFormExif(const QString& languageFile, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , ImageList(RowIcon())
{
    setObjectName("FormExif");
    setWindowTitle("EXIF Properties");

    ListView = new QTreeWidget(this);
    ListView->setObjectName("ListView");
    ListView->setColumnCount(2);
    ListView->setRootIsDecorated(false);
    ListView->setUniformRowHeights(true);
    ListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView->setTextElideMode(Qt::ElideRight);
    ListView->header()->setStretchLastSection(true);
    ListView->header()->setSectionsMovable(false);

    CopyAction = new QAction("&Copy", ListView);
    CopyAction->setObjectName("CopyAction");
    CopyAction->setShortcut(QKeySequence::Copy);
    CopyAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    CopyAction->setIcon(QIcon::fromTheme("edit-copy"));
    ListView->addAction(CopyAction);
    ListView->installEventFilter(this);
    ListView->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(CopyAction, &QAction::triggered, this, [this] {
        QString text = SelectedRowsText();
        if (const QTreeWidgetItem* current = ListView->currentItem(); text.isEmpty() && current)
            text = current->text(0) + u'\t' + current->text(1) + u'\n';
        if (!text.isEmpty())
            QApplication::clipboard()->setText(text);
    });

    btnOk = new QPushButton("&OK", this);
    btnOk->setObjectName("btnOk");
    btnOk->setDefault(true);
    auto* buttons = new QDialogButtonBox(this);
    buttons->setCenterButtons(true);
    buttons->addButton(btnOk, QDialogButtonBox::AcceptRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ListView);
    layout->addWidget(buttons);

    Language = new TLanguage(this);
    Language->SetLanguageFile(languageFile);
    Language->Properties() = { "FormExif.Caption", "FormExif.btnOk.Caption" };
    Language->Translate();
    ListView->setHeaderLabels({ Language->TranslateUserMessage("Tag"), Language->TranslateUserMessage("Value") });
    CopyAction->setText(Language->TranslateUserMessage("&Copy"));
    ListView->setAccessibleName(windowTitle());
    resize(DesignedSize);
}

void TFormExif::SetRows(const QList<ExifRow>& rows)
{
    ListView->clear();
    QList<QTreeWidgetItem*> items;
    for (const ExifRow& row : rows) {
        auto* item = new QTreeWidgetItem({ row.Label, row.Value });
        item->setIcon(0, ImageList);
        // Long labels and values are cut to the column; the whole text is a hover away.
        item->setToolTip(0, PlainToolTip(row.Label));
        item->setToolTip(1, PlainToolTip(row.Value));
        items.append(item);
    }
    ListView->addTopLevelItems(items);
    if (!items.isEmpty())
        ListView->setCurrentItem(items.first(), 0, QItemSelectionModel::NoUpdate);
    FitToRows();
}

QString TFormExif::SelectedRowsText() const
{
    QString text;
    for (int i = 0; i < ListView->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = ListView->topLevelItem(i);
        if (item->isSelected())
            text += item->text(0) + u'\t' + item->text(1) + u'\n';
    }
    return text;
}

// The list would take Ctrl+C for itself and copy no more than the current cell.
bool TFormExif::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ListView && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        CopyAction->trigger();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TFormExif::reject()
{
    accept();
}

// Wide enough for the longest label and value where the screen allows, never smaller than
// the designed size. Where the room is short the labels keep at least half of it and the
// values are cut, without a horizontal scroll bar.
void TFormExif::FitToRows()
{
    // Public in the base class; the tree's own measure of its columns.
    const QAbstractItemView* view = ListView;
    const int tagWanted = std::max(TagColumnWidth, view->sizeHintForColumn(0));
    const int valueWanted = std::max(ValueColumnWidth, view->sizeHintForColumn(1));
    const QRect screen
        = (parentWidget() ? parentWidget()->screen() : QApplication::primaryScreen())->availableGeometry();
    const QMargins margins = layout()->contentsMargins();
    const int frame = 2 * ListView->frameWidth() + ListView->verticalScrollBar()->sizeHint().width() + margins.left()
        + margins.right();
    const int rowsHeight = ListView->topLevelItemCount() * std::max(1, ListView->sizeHintForRow(0))
        + ListView->header()->sizeHint().height() + 2 * ListView->frameWidth();
    const int other = sizeHint().height() - ListView->sizeHint().height();
    const QSize limit = QSize(screen.width() * 4 / 5, screen.height() * 4 / 5).expandedTo(DesignedSize);
    const QSize size
        = QSize(tagWanted + valueWanted + frame, rowsHeight + other).expandedTo(DesignedSize).boundedTo(limit);
    const int room = size.width() - frame;
    ListView->setColumnWidth(0, std::max(TagColumnWidth, std::min(tagWanted, std::max(room - valueWanted, room / 2))));
    resize(size);
}

} // namespace tarvix
