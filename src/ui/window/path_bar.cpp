// The path bar and the favourites: the ways to a folder that are typed, browsed for, or kept.
#include "ui/window/path_bar.h"

#include "engine/dialogs.h"
#include "engine/language.h"
#include "engine/message_format.h"
#include "ui/plain_text.h"
#include "ui/window/favorites.h"
#include "ui/window/toolbar_icons.h"

#include <QAction>
#include <QCheckBox>
#include <QCompleter>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStandardPaths>
#include <QToolButton>

namespace tarvix {

namespace {

bool IsFolder(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

} // namespace

PathBar::PathBar(Host host, TLanguage& language, Dialogs& questions, QWidget* parent)
    : QWidget(parent)
    , FHost(std::move(host))
    , FLanguage(language)
    , FQuestions(questions)
{
    setObjectName("Panel1");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(5, 5, 5, 5);

    btnRecent = new QToolButton(this);
    btnRecent->setObjectName("btnRecent");
    btnRecent->setToolTip("Recent folder");
    btnRecent->setIcon(ToolbarIcon(ToolbarImage::Recent));
    btnRecent->setIconSize(QSize(16, 16));
    btnRecent->setMinimumSize(21, 21);
    btnRecent->setFocusPolicy(Qt::StrongFocus);
    edPath = new QLineEdit(this);
    edPath->setObjectName("edPath");
    edPath->setAccessibleName("Folder path");
    // Folders only, completed as the user types; Enter still decides what opens.
    auto* folders = new QFileSystemModel(edPath);
    folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    folders->setRootPath(QString());
    auto* completer = new QCompleter(folders, edPath);
    completer->setCompletionMode(QCompleter::InlineCompletion);
    edPath->setCompleter(completer);
    btnRecent->setAccessibleName(btnRecent->toolTip());
    btnBrowse = new QPushButton("Browse...", this);
    btnBrowse->setObjectName("btnBrowse");
    btnBrowse->setMinimumWidth(105);
    cbSubFolders = new QCheckBox("Include subfolders", this);
    cbSubFolders->setObjectName("cbSubFolders");

    row->addWidget(btnRecent);
    row->addWidget(edPath, 1);
    row->addWidget(btnBrowse);
    row->addWidget(cbSubFolders);

    // The window's own menu, so that the language files find it where they always did.
    pmMru = new QMenu(parent);
    pmMru->setObjectName("pmMru");

    const auto guarded = [this](void (PathBar::*handler)()) {
        return [this, handler] { FHost.Guarded([this, handler] { (this->*handler)(); }); };
    };
    connect(edPath, &QLineEdit::returnPressed, this, guarded(&PathBar::edPathKeyDown));
    edPath->installEventFilter(this);
    connect(btnBrowse, &QPushButton::clicked, this, guarded(&PathBar::btnBrowseClick));
    connect(btnRecent, &QToolButton::clicked, this, guarded(&PathBar::btnRecentClick));
    connect(cbSubFolders, &QCheckBox::toggled, this, guarded(&PathBar::cbSubFoldersClick));
}

QString PathBar::Text() const
{
    return edPath->text();
}

void PathBar::ShowPath(const QString& folder)
{
    edPath->setText(folder);
}

bool PathBar::IncludeSubfolders() const
{
    return cbSubFolders->isChecked();
}

void PathBar::SetIncludeSubfolders(bool include)
{
    cbSubFolders->setChecked(include);
}

void PathBar::SetFavorites(const QStringList& folders)
{
    FMru = folders;
    BuildFavoritesMenu();
}

void PathBar::Retranslate()
{
    if (!pmMru->actions().isEmpty())
        pmMru->actions().first()->setText(FLanguage.TranslateUserMessage("Add Current Folder"));
    btnRecent->setAccessibleName(btnRecent->toolTip());
    edPath->setAccessibleName(FLanguage.TranslateUserMessage("Folder path"));
}

bool PathBar::eventFilter(QObject* watched, QEvent* event)
{
    // While the path box has the focus every key is the user's typing: no command's shortcut
    // takes it, so R types an R instead of turning a picture.
    if (watched == edPath && event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return false;
    }
    return QWidget::eventFilter(watched, event);
}

void PathBar::OpenFolder(const QString& folder)
{
    FHost.Load(folder);
    FRecentFolder = edPath->text();
    btnRecent->setEnabled(false);
}

QString PathBar::DefaultFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty() || !QDir().mkpath(documents))
        return QString();
    return documents;
}

std::optional<QString> PathBar::BrowseForFolder(const QString& initialFolder)
{
    QFileDialog dialog(window());
    dialog.setObjectName("BrowseForFolder");
    dialog.setFileMode(QFileDialog::Directory);
    // Read-only: Qt's own dialog then offers neither renaming nor deleting, and no new folder.
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks | QFileDialog::ReadOnly);
    dialog.setDirectory(initialFolder);
    if (auto* newFolder = dialog.findChild<QWidget*>(QStringLiteral("newFolderButton")))
        newFolder->hide();
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString chosen = dialog.selectedFiles().first();
    if (!IsFolder(chosen))
        return std::nullopt;
    return chosen;
}

void PathBar::edPathKeyDown()
{
    if (IsFolder(edPath->text()))
        FHost.Load(edPath->text());
}

void PathBar::btnBrowseClick()
{
    if (const std::optional<QString> chosen = BrowseForFolder(edPath->text()))
        OpenFolder(*chosen);
}

void PathBar::btnRecentClick()
{
    const QString folder = IsFolder(FRecentFolder) ? FRecentFolder : DefaultFolder();
    edPath->setText(folder);
    btnRecent->setEnabled(false);
    FHost.Rebuild(folder);
}

void PathBar::cbSubFoldersClick()
{
    const QString current = FHost.CurrentFolder();
    if (IsFolder(current))
        FHost.Load(current);
}

void PathBar::BuildFavoritesMenu()
{
    pmMru->clear();
    QAction* add = pmMru->addAction(FLanguage.TranslateUserMessage("Add Current Folder"));
    add->setObjectName("pmiAddCurrentFolder");
    pmMru->setDefaultAction(add);
    connect(add, &QAction::triggered, this, [this] { FHost.Guarded([this] { AddCurrentFolder(); }); });
    for (int i = 0; i < FMru.size(); ++i) {
        // Not translated: a folder's name, with its '&' shown as it is.
        QAction* item = pmMru->addAction(QString(FavoriteCaption(FMru[i])).replace(u'&', QLatin1String("&&")));
        item->setData(i);
        item->setToolTip(PlainToolTip(FMru[i]));
        connect(item, &QAction::triggered, this, [this, i] { FHost.Guarded([this, i] { OpenFavorite(i); }); });
    }
}

void PathBar::AddCurrentFolder()
{
    const QString current = FHost.CurrentFolder();
    if (!IsFolder(current))
        return;
    if (AddFavorite(FMru, current))
        BuildFavoritesMenu();
}

void PathBar::OpenFavorite(int index)
{
    if (index < 0 || index >= FMru.size())
        return;
    edPath->setText(FMru[index]);
    if (IsFolder(edPath->text())) {
        FHost.Load(edPath->text());
        return;
    }
    FQuestions.ShowMessage(
        TranslateMessage(FLanguage, "Cannot open \"%s\". The file or folder has been moved or deleted.",
            { MessageArg(edPath->text()) }),
        QString(), Dialogs::Icon::Warning);
}

} // namespace tarvix
