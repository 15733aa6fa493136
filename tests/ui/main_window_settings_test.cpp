#include "engine/component_tree.h"
#include "engine/language.h"
#include "support/qt_printers.h"
#include "ui/window/qt_translation.h"
#include "ui/window/status_bar.h"
#include "window_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QToolButton>
#include <QTreeView>

using namespace tarvix;

namespace {

using MainWindowSettings = WindowTest;

QString Stored(const char* key)
{
    return SettingsStore::OpenFile(PerUserSettingsPath()).ReadString("Main", key, "<none>");
}

TEST_F(MainWindowSettings, AFirstStartHasTheDesignedDefaultsAndEnglish)
{
    TFormTarvix& w = Open();
    EXPECT_TRUE(w.pmiRebuildWhenResized->isChecked());
    EXPECT_TRUE(w.pmiKeepTimestamp->isChecked());
    EXPECT_TRUE(w.pmiEnlargeSmall->isChecked());
    EXPECT_TRUE(w.pmiDeleteConfirm->isChecked());
    EXPECT_FALSE(w.pmiMakeBackup->isChecked());
    EXPECT_FALSE(Find<QCheckBox>("cbSubFolders")->isChecked());
    EXPECT_TRUE(w.pmiHiQuality->isChecked());
    EXPECT_FALSE(w.pmiLowQuality->isChecked());
    EXPECT_EQ(w.DrawGrid->ColumnCount(), 5);
    EXPECT_EQ(w.size(), QSize(800, 600));
    const QSize screen = w.screen()->size();
    EXPECT_EQ(w.pos(), QPoint(screen.width() / 2 - 400, screen.height() / 2 - 300));
    EXPECT_EQ(w.DrawGrid->BackgroundColor(), QColor(Qt::white));
    EXPECT_EQ(w.DrawGrid->TextColor(), QColor(0, 0, 0));
    EXPECT_TRUE(Bar().Favorites().isEmpty());
    EXPECT_FALSE(w.ShellTree->isVisible());
    EXPECT_TRUE(Find<QToolButton>("btnRecent")->isEnabled());
    EXPECT_TRUE(w.CurrentFolder().isEmpty());
    // The English file is chosen and ticked; the count shows in its words.
    EXPECT_TRUE(w.Language->LanguageFile().endsWith("/English.lng"));
    EXPECT_EQ(w.StatusBar->PanelText(1), "0 file(s)");
    EXPECT_EQ(Find<QMenu>("pmMru")->actions().size(), 1);
    EXPECT_EQ(Find<QMenu>("pmMru")->actions().first()->text(), "Add Current Folder");
}

TEST_F(MainWindowSettings, StoredValuesComeBackAndAreWrittenAtClose)
{
    const QString favourite = Folder.Path();
    WriteSettings("ThumbsInRow=8\nHighQuality=0\nWinWidth=800\nWinHeight=700\nWinTop=10\nWinLeft=0\n"
                  "BackColor=255\nForeColor=16711680\nShowTree=1\nTreeWidth=40\nMakeBackup=1\nThumbnailCacheMB=64\n"
                  "Language=" TARVIX_SOURCE_DIR "/lang/Deutsch.lng\n"
                  "MRU0=/nowhere/a\nMRU2="
        + favourite.toUtf8() + "\nLastFolder=" + favourite.toUtf8() + "\n");
    TFormTarvix& w = Open();
    EXPECT_EQ(w.DrawGrid->ColumnCount(), 8);
    EXPECT_TRUE(w.pmiLowQuality->isChecked());
    // On the offscreen platform's screen of 800 x 800, where it fits whole.
    EXPECT_EQ(w.size(), QSize(800, 700));
    EXPECT_EQ(w.pos(), QPoint(0, 10));
    EXPECT_EQ(w.DrawGrid->BackgroundColor(), QColor(255, 0, 0));
    EXPECT_EQ(w.DrawGrid->TextColor(), QColor(0, 0, 255));
    EXPECT_TRUE(w.pmiMakeBackup->isChecked());
    EXPECT_TRUE(w.ShellTree->isVisible());
    EXPECT_EQ(w.ShellTree->width(), 100); // never narrower
    // The gap at MRU1 closes up.
    EXPECT_EQ(Bar().Favorites(), QStringList({ "/nowhere/a", favourite }));
    EXPECT_EQ(Find<QMenu>("pmMru")->actions().size(), 3);
    EXPECT_EQ(Bar().RecentFolder(), favourite);
    EXPECT_EQ(w.tbAuto->text(), "Automatisch");
    EXPECT_EQ(Find<QMenu>("pmMru")->actions().first()->text(), "Aktuellen Ordner hinzufügen");
    EXPECT_TRUE(w.CurrentFolder().isEmpty()); // the grid stays empty until a folder is chosen

    w.ActionShowTree->trigger(); // hidden, but its width is kept
    w.pmiEnlargeSmall->setChecked(false);
    Find<QLineEdit>("edPath")->setText(Folder.Path());
    w.close();
    Window.reset();
    EXPECT_EQ(Stored("ShowTree"), "0");
    EXPECT_EQ(Stored("TreeWidth"), "100");
    EXPECT_EQ(Stored("EnlargeSmall"), "0");
    EXPECT_EQ(Stored("ThumbsInRow"), "8");
    EXPECT_EQ(Stored("HighQuality"), "0");
    EXPECT_EQ(Stored("WinWidth"), "800");
    EXPECT_EQ(Stored("WinTop"), "10");
    EXPECT_EQ(Stored("BackColor"), "255");
    EXPECT_EQ(Stored("ForeColor"), "16711680");
    EXPECT_EQ(Stored("LastFolder"), Folder.Path());
    EXPECT_EQ(Stored("MRU1"), favourite);
    EXPECT_EQ(Stored("ThumbnailCacheMB"), "64");
    EXPECT_TRUE(Stored("Language").endsWith("/lang/Deutsch.lng"));
}

TEST_F(MainWindowSettings, OutOfRangeColumnsBecomeThreeAndAMissingLastFolderIsNotWritten)
{
    WriteSettings("ThumbsInRow=25\nLastFolder=/kept/as/it/was\n");
    TFormTarvix& w = Open();
    EXPECT_EQ(w.DrawGrid->ColumnCount(), 3);
    Find<QLineEdit>("edPath")->setText("/no/such/folder");
    w.close();
    Window.reset();
    EXPECT_EQ(Stored("LastFolder"), "/kept/as/it/was");
    EXPECT_EQ(Stored("ThumbsInRow"), "3");
}

// A size kept from a larger screen, or from a smaller scale, and a place on a screen that is
// gone: the window comes up whole on the screen there is.
TEST_F(MainWindowSettings, AStoredGeometryOffTheScreenIsBroughtOntoIt)
{
    WriteSettings("WinWidth=3000\nWinHeight=2000\nWinTop=-300\nWinLeft=5000\n");
    TFormTarvix& w = Open();
    const QRect available = w.screen()->availableGeometry();
    // The window's own size; a window manager's frame may come around it.
    EXPECT_TRUE(available.contains(QRect(w.pos(), w.size())))
        << w.x() << "," << w.y() << " " << w.width() << "x" << w.height() << " on " << available.width() << "x"
        << available.height();
    EXPECT_EQ(w.width(), available.width());
}

TEST_F(MainWindowSettings, AMaximisedWindowKeepsItsNormalGeometryInTheSettings)
{
    WriteSettings("WinMax=1\nWinWidth=1000\n");
    TFormTarvix& w = Open();
    EXPECT_TRUE(w.windowState() & Qt::WindowMaximized);
    w.close();
    Window.reset();
    EXPECT_EQ(Stored("WinMax"), "1");
    EXPECT_EQ(Stored("WinWidth"), "1000");
}

// A language file addresses the window's components by name; a renamed component would
// silently stay in English.
TEST_F(MainWindowSettings, EveryWindowKeyOfTheLanguageFilesReachesAComponent)
{
    TFormTarvix& w = Open(false);
    QFile english(TARVIX_SOURCE_DIR "/lang/English.lng");
    ASSERT_TRUE(english.open(QIODevice::ReadOnly));
    QStringList windowKeys;
    for (const QByteArray& line : english.readAll().split('\n'))
        if (line.startsWith("FormTarvix."))
            windowKeys.append(QString::fromUtf8(line.left(line.indexOf('='))));
    EXPECT_EQ(w.Language->Properties(), windowKeys);
    EXPECT_EQ(windowKeys.size(), 39);
    for (const QString& key : windowKeys) {
        const QStringList parts = key.split(u'.');
        QObject* component = FindOwnedComponent(&w, parts[1]);
        ASSERT_NE(component, nullptr) << key.toStdString();
        EXPECT_TRUE(FindComponentProperty(component, parts[2]).isValid()) << key.toStdString();
    }
}

} // namespace

namespace {

TEST(QtTranslation, FollowsTheLanguageTheFileIsNamedIn)
{
    EXPECT_EQ(LanguageOfFile("/x/lang/Deutsch.lng"), QLocale::German);
    EXPECT_EQ(LanguageOfFile("/x/lang/english.lng"), QLocale::English);
    EXPECT_EQ(LanguageOfFile("Français.lng"), QLocale::French);
    EXPECT_EQ(LanguageOfFile("Klingon.lng"), std::nullopt);

    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_de.qm"))
        GTEST_SKIP() << "Qt's translations (qt6-translations-l10n) are not installed";
    UseQtTranslationFor(TARVIX_SOURCE_DIR "/lang/Deutsch.lng");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Ja");
    UseQtTranslationFor(TARVIX_SOURCE_DIR "/lang/English.lng");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Yes");
}

} // namespace
