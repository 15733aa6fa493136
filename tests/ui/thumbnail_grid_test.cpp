// The grid on its own: the hint of an empty grid, the mark on pictures tagged as turned, and
// a press on the selection, which may become a drag of the files out.
#include "support/qt_printers.h"
#include "ui/grid/thumbnail_delegate.h"
#include "ui/grid/thumbnail_grid.h"
#include "ui/grid/thumbnail_model.h"

#include <QAccessible>
#include <QLabel>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using namespace tarvix;

namespace {

QImage Flat(QSize size, QColor colour, qreal ratio = 1)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    image.setDevicePixelRatio(ratio);
    return image;
}

class Grid : public ::testing::Test {
protected:
    Grid()
    {
        View->resize(500, 400);
        View->SetCellSize({ 96, 116 });
        View->SetColumnCount(4);
        View->show();
    }
    QPoint CellCentre(int column, int row) const { return View->visualRect(Model.index(row, column)).center(); }
    QImage Rendered(int column, int row) const
    {
        return View->viewport()->grab(View->visualRect(Model.index(row, column))).toImage();
    }

    ThumbnailModel Model;
    std::unique_ptr<TThumbnailGrid> View = std::make_unique<TThumbnailGrid>(Model, nullptr);
};

TEST_F(Grid, AnEmptyGridShowsItsHintAsALabelUntilThePicturesCome)
{
    View->SetHint("No JPEG pictures in this folder");
    QLabel* hint = View->Hint();
    EXPECT_TRUE(hint->isVisible());
    EXPECT_EQ(hint->text(), "No JPEG pictures in this folder");
    EXPECT_EQ(hint->textFormat(), Qt::PlainText);
    // In the middle of the view, and found by a screen reader as text of its own.
    EXPECT_LT(qAbs(hint->geometry().center().x() - View->viewport()->rect().center().x()), 2);
    QAccessibleInterface* label = QAccessible::queryAccessibleInterface(hint);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(QAccessible::Name), "No JPEG pictures in this folder");

    Model.Append("/p/a.jpg", Flat({ 80, 60 }, Qt::red));
    EXPECT_FALSE(hint->isVisible());
    Model.Clear();
    EXPECT_TRUE(hint->isVisible());
    View->SetHint({});
    EXPECT_FALSE(hint->isVisible());
}

TEST_F(Grid, APictureTaggedAsTurnedCarriesAMarkThatScreenReadersAndToolTipsTellToo)
{
    QImage mark(16, 16, QImage::Format_ARGB32);
    mark.fill(Qt::blue);
    View->Delegate().SetTaggedMark(QIcon(QPixmap::fromImage(mark)));
    Model.SetTaggedText("Tagged as turned by the camera");
    Model.Append("/p/plain.jpg", Flat({ 86, 64 }, Qt::green));
    Model.Append("/p/tagged.jpg", Flat({ 86, 64 }, Qt::green), {}, true);
    const auto blue = [](const QImage& cell) {
        int n = 0;
        for (int y = 0; y < cell.height(); ++y)
            for (int x = 0; x < cell.width(); ++x)
                n += qBlue(cell.pixel(x, y)) > 200 && qGreen(cell.pixel(x, y)) < 60;
        return n;
    };
    EXPECT_EQ(blue(Rendered(0, 0)), 0);
    EXPECT_GT(blue(Rendered(1, 0)), 100);

    EXPECT_FALSE(Model.data(Model.index(0, 0), Qt::AccessibleDescriptionRole).isValid());
    EXPECT_EQ(
        Model.data(Model.index(0, 1), Qt::AccessibleDescriptionRole).toString(), "Tagged as turned by the camera");
    EXPECT_TRUE(Model.data(Model.index(0, 1), Qt::ToolTipRole).toString().contains("Tagged as turned by the camera"));
    EXPECT_FALSE(Model.data(Model.index(0, 0), Qt::ToolTipRole).toString().contains("Tagged"));
    // A refresh after a turn says again what the file holds now.
    Model.SetImage(1, Flat({ 64, 86 }, Qt::green), {}, false);
    EXPECT_FALSE(Model.data(Model.index(0, 1), ThumbnailModel::TaggedRole).toBool());
    EXPECT_EQ(blue(Rendered(1, 0)), 0);
}

// On a screen scaled to 200 % the thumbnail keeps its device pixels through the model's
// compression and is painted at its size in the cell's pixels, not twice as large.
TEST_F(Grid, AThumbnailMadeAtTwiceThePixelsIsPaintedAtTheCellsSize)
{
    Model.Append("/p/sharp.jpg", Flat({ 172, 128 }, Qt::red, 2));
    const QImage back = Model.ImageAt(0);
    EXPECT_EQ(back.size(), QSize(172, 128));
    EXPECT_EQ(back.devicePixelRatio(), 2.0);
    const QImage cell = Rendered(0, 0);
    int red = 0;
    for (int y = 0; y < cell.height(); ++y)
        red += qRed(cell.pixel(cell.width() / 2, y)) > 200 && qGreen(cell.pixel(cell.width() / 2, y)) < 60;
    EXPECT_NEAR(red, 64, 2);
}

TEST_F(Grid, AClickOnTheSelectionChoosesThatCellAndADragFromItCarriesTheFiles)
{
    for (const char* name : { "a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg" })
        Model.Append(QStringLiteral("/p/") + name, Flat({ 80, 60 }, Qt::gray));
    QSignalSpy chosen(View.get(), &TThumbnailGrid::CellChosen);
    QTest::mouseClick(View->viewport(), Qt::LeftButton, {}, CellCentre(0, 0));
    QTest::mouseClick(View->viewport(), Qt::LeftButton, Qt::ShiftModifier, CellCentre(2, 0));
    EXPECT_EQ(View->Selection().CellCount(), 3);
    const std::unique_ptr<QMimeData> data(View->SelectedFilesData());
    EXPECT_TRUE(data->hasFormat("text/uri-list"));
    ASSERT_EQ(data->urls().size(), 3);
    EXPECT_EQ(data->urls().at(2).toLocalFile(), "/p/c.jpg");

    // Pressed and let go without a move: the cell alone, as a click elsewhere would.
    chosen.clear();
    QTest::mouseClick(View->viewport(), Qt::LeftButton, {}, CellCentre(1, 0));
    EXPECT_EQ(View->Selection().CellCount(), 1);
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.at(0).at(0).toInt(), 1);
}

} // namespace
