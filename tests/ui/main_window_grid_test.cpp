#include "support/qt_printers.h"
#include "ui/grid/thumbnail_model.h"
#include "ui/window/status_bar.h"
#include "window_fixture.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QScrollBar>

using namespace tarvix;

namespace {

TEST(CellSize, TakesTheScrollBarAndFourPixelsOffTheWidth)
{
    EXPECT_EQ(CellSizeFor(700, 17, 5).Width, 135);
    EXPECT_EQ(CellSizeFor(700, 17, 5).Height, 155);
    EXPECT_EQ(CellSizeFor(125, 17, 1).Width, 104);
}

class ThumbnailGrid : public WindowTest {
protected:
    // Eleven files in five columns: three rows, the last with four empty cells.
    TFormTarvix& Loaded(int files = 11)
    {
        for (int i = 0; i < files; ++i)
            Photo(QStringLiteral("p%1.jpg").arg(i, 2, 10, QLatin1Char('0')), 64 + i * 16, 48);
        TFormTarvix& w = Open();
        w.LoadFolder(Folder.Path());
        return w;
    }
    QPoint CellCentre(int column, int row) const
    {
        return Window->DrawGrid->visualRect(Window->DrawGrid->Model().index(row, column)).center();
    }
    void Click(int column, int row, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(Window->DrawGrid->viewport(), Qt::LeftButton, modifiers, CellCentre(column, row));
    }
};

TEST_F(ThumbnailGrid, AClickChoosesAFileAndShiftOnlyWidensTheSelection)
{
    TFormTarvix& w = Loaded();
    EXPECT_EQ(w.DrawGrid->RowCount(), 3);
    Click(1, 0);
    EXPECT_EQ(w.FileName(), Folder.File("p01.jpg"));
    EXPECT_EQ(w.StatusBar->PanelText(0), "80 x 48");

    Click(2, 1, Qt::ShiftModifier);
    EXPECT_EQ(w.FileName(), Folder.File("p01.jpg"));
    EXPECT_EQ(w.SelectedCellCount(), 4);
    EXPECT_EQ(w.SelectedIndex(), 1);
    QTest::keyClick(w.DrawGrid, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(w.FileName(), Folder.File("p01.jpg"));
    EXPECT_EQ(w.SelectedCellCount(), 6); // empty cells count too

    QTest::keyClick(w.DrawGrid, Qt::Key_Right);
    EXPECT_EQ(w.SelectedCellCount(), 1);
    // From the far corner (2, 2) to the empty cell (3, 2).
    EXPECT_TRUE(w.FileName().isEmpty());
    QTest::keyClick(w.DrawGrid, Qt::Key_Up);
    EXPECT_EQ(w.FileName(), Folder.File("p08.jpg"));
}

TEST_F(ThumbnailGrid, AnEmptyCellEmptiesTheFileNameAndKeepsTheStatus)
{
    TFormTarvix& w = Loaded();
    EXPECT_TRUE(w.IsImageChosen());
    Click(4, 2);
    EXPECT_TRUE(w.FileName().isEmpty());
    EXPECT_FALSE(w.IsImageChosen());
    EXPECT_EQ(w.StatusBar->PanelText(0), "64 x 48");
    Click(0, 2);
    EXPECT_EQ(w.FileName(), Folder.File("p10.jpg"));
    EXPECT_TRUE(w.IsImageChosen());
}

TEST_F(ThumbnailGrid, TheWheelScrollsOneRowAndKeepsTheSelection)
{
    TFormTarvix& w = Loaded(60);
    Click(2, 1);
    QScrollBar* bar = w.DrawGrid->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 2);
    const QPoint at = CellCentre(0, 0);
    QWheelEvent down(at, w.DrawGrid->viewport()->mapToGlobal(at), {}, { 0, -120 }, Qt::NoButton, Qt::NoModifier,
        Qt::NoScrollPhase, false);
    QApplication::sendEvent(w.DrawGrid->viewport(), &down);
    EXPECT_EQ(bar->value(), 1);
    EXPECT_EQ(w.FileName(), Folder.File("p07.jpg"));
    EXPECT_EQ(w.SelectedIndex(), 7);
}

// A screen reader sees a table whose cells carry the file names, and what is selected.
TEST_F(ThumbnailGrid, IsATableToAssistiveTechnology)
{
    TFormTarvix& w = Loaded();
    QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(w.DrawGrid);
    ASSERT_NE(grid, nullptr);
    QAccessibleTableInterface* table = grid->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rowCount(), 3);
    EXPECT_EQ(table->columnCount(), 5);
    EXPECT_EQ(table->cellAt(1, 2)->text(QAccessible::Name), "p07.jpg");
    Click(0, 0);
    Click(1, 1, Qt::ShiftModifier);
    EXPECT_EQ(table->selectedCellCount(), 4);
}

} // namespace
