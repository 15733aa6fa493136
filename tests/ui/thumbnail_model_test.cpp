// The grid's model: the one owner of the thumbnails and of the mapping between entries and
// cells, with the thumbnails compressed and a path finding its entry exactly.
#include "support/qt_printers.h"
#include "ui/grid/thumbnail_model.h"

#include <QPainter>
#include <QSignalSpy>
#include <cmath>
#include <gtest/gtest.h>

using namespace tarvix;

namespace {

QImage Picture(int seed)
{
    QImage image(156, 117, QImage::Format_RGB32);
    image.fill(QColor::fromHsv(seed * 37 % 360, 160, 200));
    QPainter painter(&image);
    painter.setBrush(Qt::white);
    painter.drawEllipse(20 + seed % 50, 20, 60, 40);
    return image;
}

double Psnr(const QImage& a, const QImage& b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            for (const int d : { qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q) })
                sum += d * d;
        }
    const double mse = sum / (3.0 * a.width() * a.height());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

TEST(ThumbnailModel, EntriesFillTheCellsRowByRowAndPathsFindThemExactly)
{
    ThumbnailModel model;
    model.SetColumns(3);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    for (const char* name : { "IMG_1.jpg", "img_1.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg", "f.jpg" })
        model.Append(QStringLiteral("/p/") + name, Picture(1));
    EXPECT_EQ(model.Rows(), 3);
    EXPECT_EQ(inserted.count(), 2); // the second and the third row, as their first entry came
    EXPECT_EQ(model.IndexOf("/p/IMG_1.jpg"), 0);
    EXPECT_EQ(model.IndexOf("/p/img_1.jpg"), 1);
    EXPECT_EQ(model.IndexOf("/p/Img_1.jpg"), -1);
    EXPECT_EQ(model.EntryAt(1, 2), 7); // an empty cell past the last entry
    EXPECT_EQ(model.data(model.index(0, 1), Qt::DisplayRole).toString(), "img_1.jpg");
    EXPECT_FALSE(model.data(model.index(2, 1), Qt::DisplayRole).isValid());

    model.SetPath(1, "/p/renamed.jpg");
    EXPECT_EQ(model.IndexOf("/p/img_1.jpg"), -1);
    EXPECT_EQ(model.IndexOf("/p/renamed.jpg"), 1);

    // The others move up to close the gaps; the last row goes.
    model.Remove({ "/p/IMG_1.jpg", "/p/d.jpg" });
    EXPECT_EQ(model.Count(), 5);
    EXPECT_EQ(model.Rows(), 2);
    EXPECT_EQ(model.IndexOf("/p/renamed.jpg"), 0);
    EXPECT_EQ(model.IndexOf("/p/f.jpg"), 4);
    EXPECT_EQ(model.IndexOf("/p/d.jpg"), -1);
}

TEST(ThumbnailModel, KeepsThumbnailsCompressedAndGivesThemBackFaithfully)
{
    ThumbnailModel model;
    // More than the decoded ones it keeps: the first come back from their compressed form.
    constexpr int Count = 600;
    for (int i = 0; i < Count; ++i)
        model.Append(QStringLiteral("/p/%1.jpg").arg(i), Picture(i));
    for (const int i : { 0, Count / 2, Count - 1 }) {
        const QImage back = model.ImageAt(i);
        ASSERT_EQ(back.size(), QSize(156, 117)) << i;
        EXPECT_GT(Psnr(back.convertToFormat(QImage::Format_RGB32), Picture(i)), 35) << i;
    }
    EXPECT_EQ(model.data(model.CellOf(7), Qt::DecorationRole).value<QImage>().size(), QSize(156, 117));

    model.SetImage(3, QImage());
    EXPECT_FALSE(model.HasImage(3));
    EXPECT_TRUE(model.ImageAt(3).isNull());
    EXPECT_LT(ThumbnailModel::Compress(Picture(1)).size(), Picture(1).sizeInBytes() / 5);
}

} // namespace

namespace {

// Files another program added come into the order the grid reads, in one go.
TEST(ThumbnailModel, NewFilesFindTheirPlaceInTheOrderAndOldOnesKeepTheirs)
{
    ThumbnailModel model;
    model.SetColumns(2);
    for (const char* name : { "b.jpg", "d.jpg", "f.jpg" })
        model.Append(QStringLiteral("/p/") + name, Picture(2));
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    model.InsertSorted({ "/p/G.jpg", "/p/a.jpg", "/p/c.jpg", "/p/d.jpg", "/p/a.jpg" });
    EXPECT_EQ(reset.count(), 1);
    QStringList order;
    for (int i = 0; i < model.Count(); ++i)
        order.append(model.PathAt(i));
    EXPECT_EQ(order, QStringList({ "/p/a.jpg", "/p/b.jpg", "/p/c.jpg", "/p/d.jpg", "/p/f.jpg", "/p/G.jpg" }));
    EXPECT_EQ(model.IndexOf("/p/f.jpg"), 4);
    EXPECT_TRUE(model.HasImage(1));
    EXPECT_FALSE(model.HasImage(0)); // made later, as a refresh
    EXPECT_EQ(model.Rows(), 3);
}

} // namespace
