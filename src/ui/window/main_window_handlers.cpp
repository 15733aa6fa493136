// The window's handlers and queries whose work is a collaborator's: each hands over to the one
// that owns the state it acts on.
#include "ui/window/folder_browser.h"
#include "ui/window/image_commands.h"
#include "ui/window/main_window.h"
#include "ui/window/path_bar.h"

#include <QAction>

namespace tarvix {

void TFormTarvix::LoadFolder(const QString& folder)
{
    FFolder->Load(folder);
}
void TFormTarvix::RefreshThumbnail(const QString& path)
{
    FFolder->RefreshThumbnail(path);
}
bool TFormTarvix::RefreshPending() const
{
    return FFolder->RefreshPending();
}
const ThumbnailModel& TFormTarvix::Images() const
{
    return FFolder->Images();
}
QString TFormTarvix::CurrentFolder() const
{
    return FFolder->CurrentFolder();
}
void TFormTarvix::RebuildThumbnails()
{
    FFolder->Rebuild();
}

void TFormTarvix::DrawGridSelectCell(int column, int row)
{
    FCommands->SelectCell(column, row);
}
int TFormTarvix::SelectedIndex() const
{
    return FCommands->SelectedIndex();
}
bool TFormTarvix::IsImageChosen() const
{
    return FCommands->IsImageChosen();
}
int TFormTarvix::SelectedCellCount() const
{
    return FCommands->SelectedCellCount();
}
void TFormTarvix::DrawGridDblClick()
{
    ActionOpen->trigger();
}

QString TFormTarvix::FileName() const
{
    return FCommands->FileName();
}
void TFormTarvix::ActionRotate(QAction* sender)
{
    FCommands->Rotate(sender);
}
void TFormTarvix::ActionDisplayExifExecute()
{
    FCommands->DisplayExif();
}
void TFormTarvix::ActionOpenExecute()
{
    FCommands->Open();
}
void TFormTarvix::ActionUndoExecute()
{
    FCommands->Undo();
}

void TFormTarvix::ActionRenameExecute()
{
    FCommands->Rename();
}
void TFormTarvix::ActionDeleteExecute()
{
    FCommands->Delete();
}
void TFormTarvix::pmiRefreshClick()
{
    FCommands->Refresh();
}

void TFormTarvix::edPathKeyDown()
{
    FPathBar->edPathKeyDown();
}
void TFormTarvix::btnBrowseClick()
{
    FPathBar->btnBrowseClick();
}
void TFormTarvix::btnRecentClick()
{
    FPathBar->btnRecentClick();
}
void TFormTarvix::cbSubFoldersClick()
{
    FPathBar->cbSubFoldersClick();
}

} // namespace tarvix
