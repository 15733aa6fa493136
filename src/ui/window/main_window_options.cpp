// The options menu's switches that act at once, and the language menu.
#include "engine/dialogs.h"
#include "engine/language.h"
#include "engine/language_files.h"
#include "engine/message_format.h"
#include "engine/settings_store.h"
#include "engine/user_manual.h"
#include "ui/dialogs/thumb_form.h"
#include "ui/grid/thumbnail_grid.h"
#include "ui/window/folder_browser.h"
#include "ui/window/main_window.h"
#include "ui/window/path_bar.h"
#include "ui/window/qt_translation.h"
#include "ui/window/setting_colors.h"
#include "ui/window/status_bar.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QColorDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>

namespace tarvix {

void TFormTarvix::BuildLanguageMenu()
{
    const QString folder = FServices.LanguageFolder.isEmpty() ? LanguageFolder() : FServices.LanguageFolder;
    for (const QString& path : ListLanguageFiles(folder)) {
        // The caption is a file name: a '&' in it is no mnemonic.
        auto* item = new QAction(LanguageCaption(path).replace(u'&', QLatin1String("&&")), pmOptions);
        item->setCheckable(true);
        FLanguages.append(path);
        item->setData(static_cast<int>(FLanguages.size() - 1));
        LanguageGroup->addAction(item);
        pmOptions->addAction(item);
    }
}

void TFormTarvix::ApplyStoredLanguage(const QString& stored)
{
    if (!stored.isEmpty() && QFileInfo(stored).isFile()) {
        Language->SetLanguageFile(stored);
        UseQtTranslationFor(stored);
        Language->Translate();
        for (QAction* item : LanguageGroup->actions()) {
            const int tag = item->data().toInt();
            if (tag >= 0 && tag < FLanguages.size()
                && QFileInfo(FLanguages[tag]).absoluteFilePath() == QFileInfo(stored).absoluteFilePath()) {
                item->trigger();
                return;
            }
        }
        return;
    }
    for (QAction* item : LanguageGroup->actions()) {
        if (item->text() == QLatin1String("English")) {
            item->trigger();
            return;
        }
    }
}

void TFormTarvix::LanguageItemClick(QAction* item)
{
    const int tag = item->data().toInt();
    if (tag < 0 || tag >= FLanguages.size())
        return;
    Language->SetLanguageFile(FLanguages[tag]);
    UseQtTranslationFor(FLanguages[tag]);
    Language->Translate();
    item->setChecked(true);
    StatusBar->SetPanelText(1, FFolder->FileCountText());
    // Screen readers name these controls by a text of the language too.
    FPathBar->Retranslate();
    ShellTree->setAccessibleName(Language->TranslateUserMessage("Folders"));
    DrawGrid->setAccessibleName(Language->TranslateUserMessage("Thumbnails"));
    // Texts of our own beyond the language files' components.
    ActionUndo->setText(Language->TranslateUserMessage("Undo"));
    ActionUndo->setToolTip(ActionUndo->text());
    FFolder->Retranslate();
    // The toolbar's own button for the buttons that do not fit.
    if (auto* more = ToolBar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
        more->setAccessibleName(Language->TranslateUserMessage("More"));
}

void TFormTarvix::pmOptionsPopup()
{
    pmiDisplayCrop->setChecked(SettingsStore::OpenPerUser().Read(SettingsKeys::DisplayCropWarning));
}

void TFormTarvix::pmiDisplayCropClick()
{
    WriteTranslatingErrors(*Language,
        [this] { SettingsStore::OpenPerUser().Write(SettingsKeys::DisplayCropWarning, pmiDisplayCrop->isChecked()); });
}

void TFormTarvix::pmiKeepTimestampClick()
{
    SaveSettings();
}

void TFormTarvix::pmiThumbsInRowClick()
{
    TThumbForm form(Language->LanguageFile(), this);
    form.udQty->setValue(DrawGrid->ColumnCount());
    if (form.exec() != QDialog::Accepted)
        return;
    DrawGrid->SetColumnCount(form.udQty->value());
    RebuildThumbnails();
}

void TFormTarvix::pmiBackColorClick()
{
    QColorDialog dialog(this);
    dialog.setObjectName("ColorDialog");
    if (dialog.exec() == QDialog::Accepted)
        DrawGrid->SetBackgroundColor(dialog.selectedColor());
}

void TFormTarvix::pmiForeColorClick()
{
    QColorDialog dialog(this);
    dialog.setObjectName("ColorDialog");
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QColor color = dialog.selectedColor();
    FForeColor = static_cast<QRgb>(SettingOfColor(color));
    DrawGrid->SetTextColor(color);
    RebuildThumbnails();
}

// The home page of a release that has one; otherwise the manual that comes with the program.
void TFormTarvix::pmiWebsiteClick()
{
    if (!HomePage().isEmpty()) {
        FServices.OpenUrl(QUrl(HomePage()));
        return;
    }
    const QString manual = FServices.UserManual.isEmpty() ? UserManualFile() : FServices.UserManual;
    if (!QFileInfo(manual).isFile()) {
        FQuestions->ShowMessage(
            TranslateMessage(*Language, "Cannot open \"%s\". The file has been moved or deleted.", { manual }),
            QString(), Dialogs::Icon::Warning);
        return;
    }
    FServices.OpenUrl(QUrl::fromLocalFile(QFileInfo(manual).absoluteFilePath()));
}

void TFormTarvix::pmiAboutClick()
{
    const QString text = QApplication::applicationDisplayName() + u'\n'
        + TranslateMessage(*Language, "Version %s", { MessageArg(QLatin1String(TARVIX_VERSION)) }) + u'\n'
        + Language->TranslateUserMessage("Free software under the GNU General Public License, version 3 or later.")
        + (HomePage().isEmpty() ? QString() : u'\n' + HomePage());
    FQuestions->ShowMessage(text, Language->TranslateUserMessage("About"), Dialogs::Icon::Information);
}

} // namespace tarvix
