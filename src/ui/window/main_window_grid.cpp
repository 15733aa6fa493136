// The thumbnail grid as the window sees it: its cell size, the chosen cell and the selection.
#include "engine/image_info.h"
#include "ui/grid/thumbnail_grid.h"
#include "ui/grid/thumbnail_model.h"
#include "ui/window/main_window.h"
#include "ui/window/status_bar.h"

#include <QAction>
#include <QFileInfo>

namespace tarvix {

void TFormTarvix::RebuildThumbnails()
{
    DrawGrid->SetCellSize(CellSizeFor(DrawGrid->ClientWidth(), DrawGrid->ScrollBarWidth(), DrawGrid->ColumnCount()));
    if (isVisible() && !CurrentFolder.isEmpty() && QFileInfo(CurrentFolder).isDir())
        LoadFolder(CurrentFolder);
}

void TFormTarvix::DrawGridSelectCell(int column, int row)
{
    FileName.clear();
    const int i = Images.EntryAt(column, row);
    if (i >= 0 && i < Images.Count() && QFileInfo::exists(Images.PathAt(i)))
        FileName = Images.PathAt(i);
    if (FileName.isEmpty())
        return;
    // The size as stored, from the frame header; a file that is no readable JPEG leaves the
    // panel as it was.
    const ImageInfo info = OpenImageInfo(FileName);
    if (info.IsImage && info.Width > 0 && info.Height > 0)
        StatusBar->SetPanelText(0, QStringLiteral("%1 x %2").arg(info.Width).arg(info.Height));
}

int TFormTarvix::SelectedIndex() const
{
    const CellRect selection = DrawGrid->Selection();
    return Images.EntryAt(selection.Left, selection.Top);
}

bool TFormTarvix::IsImageChosen() const
{
    const int i = SelectedIndex();
    return i >= 0 && i < Images.Count();
}

int TFormTarvix::SelectedCellCount() const
{
    return DrawGrid->Selection().CellCount();
}

void TFormTarvix::DrawGridDblClick()
{
    ActionOpen->trigger();
}

} // namespace tarvix
