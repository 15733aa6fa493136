// What the browser window keeps from one run to the next.
#include "engine/language.h"
#include "engine/language_files.h"
#include "engine/settings_store.h"
#include "platform/private_thumbnail_cache.h"
#include "ui/grid/thumbnail_grid.h"
#include "ui/window/folder_browser.h"
#include "ui/window/main_window.h"
#include "ui/window/path_bar.h"
#include "ui/window/setting_colors.h"
#include "ui/window/undo_command.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTreeView>

namespace tarvix {

void TFormTarvix::LoadSettings()
{
    using namespace SettingsKeys;
    const SettingsStore store = SettingsStore::Open();
    FPathBar->SetFavorites(FPathBar->Favorites());
    ApplyStoredLanguage(StoredLanguageFile(store.Read(SettingsKeys::Language)));
    pmiRebuildWhenResized->setChecked(store.Read(RebuildWhenResized));
    pmiKeepTimestamp->setChecked(store.Read(KeepTimestamp));
    pmiEnlargeSmall->setChecked(store.Read(EnlargeSmall));
    pmiDeleteConfirm->setChecked(store.Read(ConfirmDelete));
    FPathBar->SetIncludeSubfolders(store.Read(LookInSubfolders));
    DrawGrid->SetColumnCount(ThumbsInRowFromStored(store.Read(ThumbsInRow)));
    (store.Read(HighQuality) ? pmiHiQuality : pmiLowQuality)->setChecked(true);
    FPathBar->SetRecentFolder(store.Read(LastFolder));
    pmiMakeBackup->setChecked(store.Read(MakeBackup));
    if (store.Read(WinMax)) {
        setWindowState(windowState() | Qt::WindowMaximized);
    } else {
        int width = store.Read(WinWidth);
        int height = store.Read(WinHeight);
        const bool placed = store.ValueExists(Section, WinLeft) && store.ValueExists(Section, WinTop);
        const QPoint stored(store.ReadInteger(Section, WinLeft, 0), store.ReadInteger(Section, WinTop, 0));
        // The screen the window was on, or this one when that is gone (a monitor unplugged).
        QScreen* on = placed ? QGuiApplication::screenAt(stored) : nullptr;
        on = on ? on : this->screen();
        const QRect available = on ? on->availableGeometry() : QRect();
        // A size kept from a larger screen, or from a smaller scale (a screen set to 125 %
        // shows 800 x 600 as 1000 x 750), would leave part of the window off this one.
        if (!available.isEmpty()) {
            setMinimumSize(minimumSize().boundedTo(available.size()));
            width = qMin(width, available.width());
            height = qMin(height, available.height());
        }
        resize(width, height);
        // The defaults centre the window on its screen, with the size just set.
        const QSize screen = on ? on->size() : QSize(width, height);
        int top = store.ReadInteger(Section, WinTop, CenteredWinTop(screen.height(), this->height()));
        int left = store.ReadInteger(Section, WinLeft, CenteredWinLeft(screen.width(), this->width()));
        if (!available.isEmpty()) {
            left = qBound(available.left(), left, available.left() + available.width() - this->width());
            top = qBound(available.top(), top, available.top() + available.height() - this->height());
        }
        move(left, top);
    }
    DrawGrid->SetBackgroundColor(ColorOfSetting(store.Read(BackColor)));
    const QColor text = ColorOfSetting(store.Read(ForeColor));
    FForeColor = static_cast<QRgb>(SettingOfColor(text));
    DrawGrid->SetTextColor(text);
    QStringList favorites;
    for (int n = 0; n < MruCount; ++n)
        if (store.ValueExists(Section, MruKey(n)))
            favorites.append(store.ReadString(Section, MruKey(n), QString()));
    FPathBar->SetFavorites(favorites);
    ActionShowTree->setChecked(store.Read(ShowTree));
    FTreeWidth = qMax(ShellTree->minimumWidth(), store.ReadInteger(Section, TreeWidth, FTreeWidth));
    ApplyTreeVisibility();
    FFolder->SetCacheLimit(
        qint64(ThumbnailCacheMBFromStored(store.Read(ThumbnailCacheMB))) * PrivateThumbnailCache::MB);
    FUndo->SetCap(UndoCacheBytesFromStored(store.Read(UndoCacheMB)));
}

void TFormTarvix::SaveSettings()
{
    WriteTranslatingErrors(*Language, [this] { SaveSettingsInOneGo(); });
}

// One read of the file, the changes in memory, one replacement: on a memory stick each
// replacement is a flush.
void TFormTarvix::SaveSettingsInOneGo()
{
    using namespace SettingsKeys;
    SettingsStore store = SettingsStore::Open();
    store.BeginEdit();
    store.Write(RebuildWhenResized, pmiRebuildWhenResized->isChecked());
    store.Write(BackColor, SettingOfColor(DrawGrid->BackgroundColor()));
    store.Write(ForeColor, static_cast<qint32>(FForeColor));
    store.Write(KeepTimestamp, pmiKeepTimestamp->isChecked());
    store.Write(EnlargeSmall, pmiEnlargeSmall->isChecked());
    const bool maximised = windowState() & Qt::WindowMaximized;
    store.Write(WinMax, maximised);
    QString languageFile = Language->LanguageFile();
    if (IsPortableRun() && !languageFile.isEmpty())
        languageFile = QStringLiteral("lang/") + QFileInfo(languageFile).fileName();
    store.Write(SettingsKeys::Language, languageFile);
    if (!maximised) {
        // The window's own size: the frame is the window manager's, and adding it would make
        // the window grow by it at every start.
        store.Write(WinWidth, width());
        store.Write(WinHeight, height());
        store.WriteInteger(Section, WinTop, y());
        store.WriteInteger(Section, WinLeft, x());
    }
    store.Write(LookInSubfolders, FPathBar->IncludeSubfolders());
    store.Write(ConfirmDelete, pmiDeleteConfirm->isChecked());
    store.Write(HighQuality, pmiHiQuality->isChecked());
    store.Write(MakeBackup, pmiMakeBackup->isChecked());
    const QString shown = FPathBar->Text();
    if (!shown.isEmpty() && QFileInfo(shown).isDir())
        store.Write(LastFolder, shown);
    store.Write(ThumbsInRow, DrawGrid->ColumnCount());
    const QStringList favorites = FPathBar->Favorites();
    for (int n = 0; n < favorites.size() && n < MruCount; ++n)
        store.WriteString(Section, MruKey(n), favorites[n]);
    store.Write(ShowTree, ActionShowTree->isChecked());
    if (ShellTree->isVisible())
        FTreeWidth = ShellTree->width();
    store.WriteInteger(Section, TreeWidth, FTreeWidth);
    store.Write(ThumbnailCacheMB, qint32(FFolder->CacheLimit() / PrivateThumbnailCache::MB));
    store.Write(UndoCacheMB, qint32(FUndo->Cap() / (1024 * 1024)));
    store.CommitEdit();
}

} // namespace tarvix
