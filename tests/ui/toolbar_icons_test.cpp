#include "support/temp_folder.h"
#include "ui/window/toolbar_icons.h"

#include <QFile>
#include <QImage>
#include <QPixmap>
#include <algorithm>
#include <gtest/gtest.h>

using namespace tarvix;

namespace {

constexpr ToolbarImage AllImages[] = { ToolbarImage::RotateLeft, ToolbarImage::View, ToolbarImage::RotateRight,
    ToolbarImage::Rotate180, ToolbarImage::Delete, ToolbarImage::Options, ToolbarImage::Exif, ToolbarImage::Favorites,
    ToolbarImage::Auto, ToolbarImage::Recent, ToolbarImage::Application };

struct Ink {
    int Visible = 0;
    // The largest spread between the channels of an opaque pixel: 0 for pure grey.
    int Colourfulness = 0;
};

Ink InkOf(const QPixmap& pixmap)
{
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    Ink ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            ink.Visible += qAlpha(p) > 0;
            if (qAlpha(p) == 255) {
                const int high = std::max({ qRed(p), qGreen(p), qBlue(p) });
                const int low = std::min({ qRed(p), qGreen(p), qBlue(p) });
                ink.Colourfulness = std::max(ink.Colourfulness, high - low);
            }
        }
    }
    return ink;
}

// Each test chooses its own icon theme; the process's is put back afterwards.
class ToolbarIcons : public ::testing::Test {
protected:
    void SetUp() override
    {
        FSearchPaths = QIcon::themeSearchPaths();
        FTheme = QIcon::themeName();
        FFallbackTheme = QIcon::fallbackThemeName();
    }
    void TearDown() override
    {
        QIcon::setThemeSearchPaths(FSearchPaths);
        QIcon::setFallbackThemeName(FFallbackTheme);
        QIcon::setThemeName(FTheme);
    }
    // A theme that has exactly the given icons, all the same grey square.
    void UseTheme(std::initializer_list<const char*> names)
    {
        QDir(FThemes.Path()).mkpath("test/scalable");
        QFile index(FThemes.File("test/index.theme"));
        ASSERT_TRUE(index.open(QIODevice::WriteOnly));
        index.write("[Icon Theme]\nName=test\nDirectories=scalable\n\n"
                    "[scalable]\nSize=24\nMinSize=8\nMaxSize=512\nType=Scalable\n");
        index.close();
        for (const char* name : names) {
            QFile svg(FThemes.File(QStringLiteral("test/scalable/%1.svg").arg(QLatin1String(name))));
            ASSERT_TRUE(svg.open(QIODevice::WriteOnly));
            svg.write(R"(<svg xmlns="http://www.w3.org/2000/svg" width="24" height="24">)"
                      R"(<rect width="24" height="24" fill="#808080"/></svg>)");
        }
        QIcon::setThemeSearchPaths({ FThemes.Path() });
        QIcon::setFallbackThemeName("test");
        QIcon::setThemeName("test");
    }

private:
    TempFolder FThemes;
    QStringList FSearchPaths;
    QString FTheme;
    QString FFallbackTheme;
};

} // namespace

TEST_F(ToolbarIcons, WithoutAThemeEveryImageIsOurOwnArtAndItsDisabledLookIsGrey)
{
    UseTheme({});
    for (const ToolbarImage image : AllImages) {
        SCOPED_TRACE(static_cast<int>(image));
        const QIcon icon = ToolbarIcon(image);
        ASSERT_FALSE(icon.isNull());
        EXPECT_TRUE(icon.name().isEmpty()) << icon.name().toStdString();
        const Ink normal = InkOf(icon.pixmap(24, QIcon::Normal));
        const Ink disabled = InkOf(icon.pixmap(24, QIcon::Disabled));
        EXPECT_GT(normal.Visible, 24);
        EXPECT_GT(normal.Colourfulness, 40);
        EXPECT_GT(disabled.Visible, 24);
        EXPECT_LE(disabled.Colourfulness, 6);
    }
}

TEST_F(ToolbarIcons, TakesTheFirstFittingThemeIconButNeverALookAlikeOrAShortenedName)
{
    // "folder" is what a theme lookup of "folder-recent" shortens to.
    UseTheme({ "document-preview", "edit-delete", "object-flip-vertical", "view-refresh", "folder" });
    EXPECT_EQ(ToolbarIcon(ToolbarImage::View).name(), "document-preview");
    EXPECT_EQ(ToolbarIcon(ToolbarImage::Delete).name(), "edit-delete");
    EXPECT_TRUE(ToolbarIcon(ToolbarImage::Rotate180).name().isEmpty());
    EXPECT_TRUE(ToolbarIcon(ToolbarImage::Recent).name().isEmpty());
    EXPECT_TRUE(ToolbarIcon(ToolbarImage::Options).name().isEmpty());
    EXPECT_GT(InkOf(ToolbarIcon(ToolbarImage::Delete).pixmap(24, QIcon::Disabled)).Visible, 24);
}
