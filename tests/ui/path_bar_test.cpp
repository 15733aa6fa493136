// The path bar on its own, with a host that records what it was asked: which ways to a folder
// load, which only show, and what becomes the recent folder or a favourite.
#include "engine/language.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"
#include "ui/window/path_bar.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace tarvix;

namespace {

class PathBarTest : public ::testing::Test {
protected:
    PathBarTest()
        : Bar(MakeHost(), Language, Questions, &Window)
    {
    }

    PathBar::Host MakeHost()
    {
        PathBar::Host host;
        host.Load = [this](const QString& folder) {
            Loaded.append(folder);
            Current = folder;
        };
        host.Rebuild = [this](const QString& folder) { Rebuilt.append(folder); };
        host.CurrentFolder = [this] { return Current; };
        host.Guarded = [](const std::function<void()>& handler) { handler(); };
        return host;
    }

    template <class T> T* Child(const char* name) const { return Window.findChild<T*>(QLatin1String(name)); }

    TempFolder Folder;
    ScriptedDialogs Questions;
    TLanguage Language;
    QWidget Window;
    QString Current;
    QStringList Loaded;
    QStringList Rebuilt;
    PathBar Bar;
};

TEST_F(PathBarTest, TheComponentsKeepTheNamesTheLanguageFilesUse)
{
    EXPECT_EQ(Bar.objectName(), "Panel1");
    for (const char* name : { "btnRecent", "edPath", "btnBrowse", "cbSubFolders" })
        EXPECT_NE(Child<QWidget>(name), nullptr) << name;
    ASSERT_NE(Child<QMenu>("pmMru"), nullptr);
    EXPECT_EQ(Bar.FavoritesMenu(), Child<QMenu>("pmMru"));
    EXPECT_EQ(Bar.FavoritesMenu()->parent(), &Window); // found where it always was
}

TEST_F(PathBarTest, EnterLoadsAnExistingFolderOnlyAndKeepsTheRecentOne)
{
    Bar.SetRecentFolder("/before");
    Child<QLineEdit>("edPath")->setText("/no/such/folder");
    Bar.edPathKeyDown();
    EXPECT_TRUE(Loaded.isEmpty());
    Child<QLineEdit>("edPath")->setText(Folder.Path());
    Bar.edPathKeyDown();
    EXPECT_EQ(Loaded, QStringList { Folder.Path() });
    EXPECT_EQ(Bar.RecentFolder(), "/before"); // typing is not opening
    EXPECT_TRUE(Child<QToolButton>("btnRecent")->isEnabled());

    Bar.OpenFolder(Folder.Path());
    EXPECT_EQ(Bar.RecentFolder(), Folder.Path());
    EXPECT_FALSE(Child<QToolButton>("btnRecent")->isEnabled());
}

TEST_F(PathBarTest, IncludeSubfoldersReloadsOnlyAFolderShown)
{
    Bar.SetIncludeSubfolders(true);
    EXPECT_TRUE(Loaded.isEmpty());
    Current = Folder.Path();
    Child<QCheckBox>("cbSubFolders")->click();
    EXPECT_FALSE(Bar.IncludeSubfolders());
    EXPECT_EQ(Loaded, QStringList { Folder.Path() });
}

TEST_F(PathBarTest, TheRecentButtonRebuildsTheRecentFolderWithoutALoadOfItsOwn)
{
    Bar.SetRecentFolder(Folder.Path());
    Child<QToolButton>("btnRecent")->click();
    EXPECT_EQ(Rebuilt, QStringList { Folder.Path() });
    EXPECT_TRUE(Loaded.isEmpty());
    EXPECT_EQ(Bar.Text(), Folder.Path());
    EXPECT_FALSE(Child<QToolButton>("btnRecent")->isEnabled());
}

TEST_F(PathBarTest, FavouritesAddTheCurrentFolderOnceAndOpenByTheirPlace)
{
    QMenu* menu = Bar.FavoritesMenu();
    Bar.SetFavorites({});
    menu->actions().first()->trigger(); // no folder shown: nothing to add
    EXPECT_TRUE(Bar.Favorites().isEmpty());
    Current = Folder.Path();
    menu->actions().first()->trigger();
    menu->actions().first()->trigger();
    EXPECT_EQ(Bar.Favorites(), QStringList { Folder.Path() });
    ASSERT_EQ(menu->actions().size(), 2);

    Bar.SetFavorites({ "/no/such/folder", Folder.Path() });
    ASSERT_EQ(menu->actions().size(), 3);
    menu->actions()[1]->trigger();
    EXPECT_EQ(Questions.Messages.size(), 1);
    EXPECT_TRUE(Loaded.isEmpty());
    menu->actions()[2]->trigger();
    EXPECT_EQ(Loaded, QStringList { Folder.Path() });
    EXPECT_TRUE(Child<QToolButton>("btnRecent")->isEnabled()); // a favourite is not the recent folder
}

TEST_F(PathBarTest, ThePathBoxTakesEveryKeyBeforeAShortcutDoes)
{
    // Ctrl+R too, which a line edit alone leaves to the window's Rename.
    for (const auto& [key, modifiers] :
        { std::pair { Qt::Key_R, Qt::NoModifier }, { Qt::Key_R, Qt::ControlModifier } }) {
        QKeyEvent override(QEvent::ShortcutOverride, key, modifiers);
        override.ignore();
        QCoreApplication::sendEvent(Child<QLineEdit>("edPath"), &override);
        EXPECT_TRUE(override.isAccepted()) << modifiers;
    }
}

} // namespace
