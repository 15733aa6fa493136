#include "engine/dialogs.h"
#include "engine/exif_reader.h"
#include "engine/language.h"
#include "ui/exif_display.h"
#include "ui/main_window.h"

#include <QFileInfo>
#include <QTreeWidget>

namespace tarvix {

void TFormTarvix::ActionDisplayExifExecute()
{
    if (FileName.isEmpty() || !QFileInfo(FileName).isFile()) {
        ShowMissingFileMessage(FileName);
        return;
    }
    TFormExif form(Language->LanguageFile(), this);
    // Read and closed before anything is shown: the file stays free to be turned or moved
    // while the user reads.
    form.SetRows(ExifRows(ReadFilePropertyItems(FileName)));
    if (form.ListView->topLevelItemCount() == 0) {
        FQuestions->ShowMessage(Language->TranslateUserMessage("This file does not contain EXIF data."), QString(),
            Dialogs::Icon::Information);
        return;
    }
    form.exec();
}

} // namespace tarvix
