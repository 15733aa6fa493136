// What a new user sees at the first look: cells that fill the grid, every column in view
// whatever changes the grid's width, and a folder tree that can show deep folders.
#include "support/qt_printers.h"
#include "ui/window/status_bar.h"
#include "window_fixture.h"

#include <QAction>
#include <QActionGroup>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

using namespace tarvix;

namespace {

class Layout : public WindowTest {
protected:
    // Every column lies wholly inside the grid's visible area, none scrolled aside.
    static void ExpectEveryColumnInView(const TFormTarvix& w, const char* when)
    {
        const TThumbnailGrid* grid = w.DrawGrid;
        const int columns = grid->ColumnCount();
        EXPECT_EQ(grid->horizontalScrollBar()->value(), 0) << when;
        EXPECT_GE(grid->visualRect(grid->model()->index(0, 0)).left(), 0) << when;
        EXPECT_LE(grid->visualRect(grid->model()->index(0, columns - 1)).right(), grid->viewport()->width()) << when;
    }
    // The cells share the grid's width as the rule has it.
    static ThumbnailCell Fitting(const TFormTarvix& w)
    {
        return CellSizeFor(w.DrawGrid->ClientWidth(), w.DrawGrid->ScrollBarWidth(), w.DrawGrid->ColumnCount());
    }
};

TEST_F(Layout, TheCellsFillTheGridAtTheFirstLookAndFollowItsWidth)
{
    for (int i = 0; i < 12; ++i)
        Photo(QStringLiteral("p%1.jpg").arg(i));
    TFormTarvix& w = Open();
    QTRY_VERIFY(w.DrawGrid->CellSize() == Fitting(w));
    // 800 x 600 with the tree hidden: five cells of 156 pixels share the grid, not 104.
    EXPECT_GT(w.DrawGrid->CellSize().Width * w.DrawGrid->ColumnCount(), w.DrawGrid->ClientWidth() * 9 / 10);
    ExpectEveryColumnInView(w, "first look");

    w.LoadFolder(Folder.Path());
    const ThumbnailCell wide = w.DrawGrid->CellSize();
    const int loads = Questions.ProgressWindowsCreated;

    // Showing the tree narrows the grid: the cells follow, the thumbnails are remade once.
    w.ActionShowTree->trigger();
    QTRY_VERIFY(w.DrawGrid->CellSize() == Fitting(w));
    EXPECT_LT(w.DrawGrid->CellSize().Width, wide.Width);
    ExpectEveryColumnInView(w, "tree shown");
    // The arrow keys reach the last column without pushing the first out of view.
    w.DrawGrid->setFocus();
    for (int i = 0; i < w.DrawGrid->ColumnCount(); ++i)
        QTest::keyClick(w.DrawGrid, Qt::Key_Right);
    ExpectEveryColumnInView(w, "after the arrow keys");
    QTRY_COMPARE(Questions.ProgressWindowsCreated, loads + 1);

    // Hiding it again, with rebuilding switched off: the cells still fit, nothing is remade.
    w.pmiRebuildWhenResized->setChecked(false);
    w.ActionShowTree->trigger();
    QTRY_VERIFY(w.DrawGrid->CellSize() == wide);
    ExpectEveryColumnInView(w, "tree hidden");
    QTest::qWait(400);
    EXPECT_EQ(Questions.ProgressWindowsCreated, loads + 1);
}

TEST_F(Layout, TheTreeShowsADeepFolderReadably)
{
    QString deep = Folder.Path();
    for (int level = 0; level < 10; ++level)
        deep += QStringLiteral("/level %1 of a deep tree").arg(level);
    ASSERT_TRUE(QDir().mkpath(deep));
    TFormTarvix& w = Open();
    w.ActionShowTree->trigger();
    w.LoadFolder(deep);

    QTreeView* tree = w.ShellTree;
    const QModelIndex node = w.ShellTreeModel->index(deep);
    ASSERT_TRUE(node.isValid());
    EXPECT_EQ(tree->currentIndex(), node);
    const QString name = node.data().toString();
    const QFontMetrics metrics(tree->font());
    // The column is as wide as the deepest name needs, and the tree has scrolled sideways so
    // that the name starts inside the pane.
    QTRY_VERIFY(tree->horizontalScrollBar()->value() > 0);
    QTRY_VERIFY(tree->visualRect(node).left() < tree->viewport()->width() / 2);
    const QRect row = tree->visualRect(node);
    EXPECT_GE(row.left(), 0);
    EXPECT_GE(
        tree->columnWidth(0), tree->horizontalScrollBar()->value() + row.left() + metrics.horizontalAdvance(name));
}

} // namespace

namespace {

// A large font and a long language: no toolbar caption is cut, the buttons that do not fit go
// behind the bar's extension button, and the count in the status bar shows whole.
TEST_F(Layout, CaptionsAreNeverCutInALargeFontAndALongLanguage)
{
    const QFont before = QApplication::font();
    QFont large = before;
    large.setPointSizeF(before.pointSizeF() * 1.6);
    QApplication::setFont(large);
    TFormTarvix& w = Open();
    for (QAction* item : w.LanguageGroup->actions())
        if (item->text() == "Deutsch")
            item->trigger();
    QApplication::processEvents();
    int hidden = 0;
    for (QToolButton* button : w.findChild<QToolBar*>("ToolBar")->findChildren<QToolButton*>()) {
        if (button->objectName() == "qt_toolbar_ext_button" || button->objectName().isEmpty())
            continue;
        if (!button->isVisible()) {
            ++hidden;
            continue;
        }
        EXPECT_GE(button->width(), button->fontMetrics().horizontalAdvance(button->text()))
            << button->objectName().toStdString();
    }
    EXPECT_GT(hidden, 0) << "at this size some buttons go behind the extension button";
    auto* count = w.StatusBar->findChild<QLabel*>("Panel1");
    ASSERT_NE(count, nullptr);
    EXPECT_GE(count->width(), count->fontMetrics().horizontalAdvance(count->text()));
    QApplication::setFont(before);
}

} // namespace
