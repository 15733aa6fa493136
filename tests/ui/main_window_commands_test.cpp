#include "engine/image_info.h"
#include "support/qt_printers.h"
#include "ui/dialogs/thumb_form.h"
#include "ui/grid/thumbnail_model.h"
#include "ui/window/status_bar.h"
#include "window_fixture.h"

#include <QAction>
#include <QActionGroup>
#include <QColorDialog>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

using namespace tarvix;

namespace {

class Commands : public WindowTest {
protected:
    // `count` photos p0.jpg, p1.jpg, ... of 64 x 48 in a loaded window of five columns.
    TFormTarvix& Loaded(int count)
    {
        for (int i = 0; i < count; ++i)
            Photo(QStringLiteral("p%1.jpg").arg(i));
        TFormTarvix& w = Open();
        w.LoadFolder(Folder.Path());
        w.UpdateActions(); // as the event loop does when it is about to wait
        return w;
    }
    void Select(int left, int top, int right, int bottom)
    {
        Window->DrawGrid->MakeCurrent(left, top);
        Window->DrawGrid->selectionModel()->select(
            QItemSelection(Window->DrawGrid->Model().index(top, left), Window->DrawGrid->Model().index(bottom, right)),
            QItemSelectionModel::ClearAndSelect);
        Window->UpdateActions();
    }
    static QSize SizeOf(const QString& path)
    {
        const ImageInfo info = OpenImageInfo(path);
        return { info.Width, info.Height };
    }
    static QString Trashed(const QString& name)
    {
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash/files/" + name;
    }
};

TEST_F(Commands, TurnTheSelectedPicturesCellByCellAndPassOverAnEmptyCell)
{
    TFormTarvix& w = Loaded(7);
    Select(1, 0, 2, 1); // p1, p2, p6 and the empty cell 7
    EXPECT_TRUE(w.ActionRotateRight->isEnabled());
    EXPECT_FALSE(w.ActionRename->isEnabled());
    w.ActionRotateRight->trigger();
    for (int i : { 1, 2, 6 })
        EXPECT_EQ(SizeOf(Folder.File(QStringLiteral("p%1.jpg").arg(i))), QSize(48, 64)) << i;
    for (int i : { 0, 3, 4, 5 })
        EXPECT_EQ(SizeOf(Folder.File(QStringLiteral("p%1.jpg").arg(i))), QSize(64, 48)) << i;
    EXPECT_TRUE(Questions.Messages.isEmpty());
    EXPECT_TRUE(w.FileName().isEmpty()); // the last cell visited is the empty one

    Select(0, 0, 0, 0);
    w.ActionRotateLeft->trigger();
    EXPECT_EQ(w.StatusBar->PanelText(0), "48 x 64"); // the size after the turn
}

// Each action passes its own code: the pixels come out as jpegtran turns them.
TEST_F(Commands, EveryTransformActionTurnsAsItsCodeSays)
{
    TFormTarvix& w = Loaded(5);
    const QList<QPair<QAction*, int>> actions { { w.ActionRotateRight, 1 }, { w.ActionRotate180, 2 },
        { w.ActionRotateLeft, 3 }, { w.ActionFlipVer, 4 }, { w.ActionFlipHor, 5 } };
    for (int i = 0; i < actions.size(); ++i) {
        const QString path = Folder.File(QStringLiteral("p%1.jpg").arg(i));
        const QByteArray expected = Jpegtran(path, actions[i].second);
        EXPECT_EQ(actions[i].first->data().toInt(), actions[i].second);
        Select(i, 0, i, 0);
        actions[i].first->trigger();
        const Pixels turned = DecodeJpeg(ReadBytes(path));
        const Pixels reference = DecodeJpeg(expected);
        EXPECT_EQ(turned.Width, reference.Width) << i;
        EXPECT_TRUE(turned.Rgb == reference.Rgb) << "code " << actions[i].second;
    }
}

TEST_F(Commands, AFileThatCannotBeTurnedIsReportedAndTheNextIsTurned)
{
    TFormTarvix& w = Loaded(2);
    WriteBytes(Folder.File("p0.jpg"), "not a picture");
    Select(0, 0, 1, 0);
    w.ActionRotateLeft->trigger();
    EXPECT_EQ(Questions.Messages.size(), 1);
    EXPECT_EQ(SizeOf(Folder.File("p1.jpg")), QSize(48, 64));
}

TEST_F(Commands, RenameKeepsTheExtensionAndNeverOverwrites)
{
    TFormTarvix& w = Loaded(2);
    Select(0, 0, 0, 0);
    EXPECT_TRUE(w.ActionRename->isEnabled());
    Questions.TextAnswers = { "holiday" };
    w.ActionRename->trigger();
    EXPECT_EQ(Questions.TextsOffered, QStringList({ "p0" }));
    EXPECT_TRUE(QFile::exists(Folder.File("holiday.jpg")));
    EXPECT_EQ(w.Images().At(0).Path, Folder.File("holiday.jpg"));
    EXPECT_EQ(w.FileName(), Folder.File("holiday.jpg"));

    Questions.TextAnswers = { "p1" }; // taken
    w.ActionRename->trigger();
    ASSERT_EQ(Questions.Messages.size(), 1);
    EXPECT_EQ(Questions.Messages[0], "Cannot rename \"holiday.jpg\": A file of that name already exists.");
    EXPECT_TRUE(QFile::exists(Folder.File("holiday.jpg")));
    EXPECT_TRUE(QFile::exists(Folder.File("p1.jpg")));
    EXPECT_EQ(w.Images().At(1).Path, Folder.File("p1.jpg"));

    Questions.TextAnswers = { "", QString(), "../away" }; // empty, cancelled, another folder
    w.ActionRename->trigger();
    w.ActionRename->trigger();
    w.ActionRename->trigger();
    EXPECT_EQ(Questions.Messages.size(), 2);
    EXPECT_TRUE(Questions.Messages[1].contains("must not contain"));
    EXPECT_TRUE(QFile::exists(Folder.File("holiday.jpg")));
    EXPECT_EQ(w.Images().At(0).Path, Folder.File("holiday.jpg"));
}

TEST_F(Commands, DeleteMovesTheFilesToTheTrashAfterOneQuestion)
{
    TFormTarvix& w = Loaded(6); // two rows: the sixth is alone in the second
    Select(0, 1, 1, 1); // p5 and an empty cell
    Questions.YesNoAnswers = { false };
    w.ActionDelete->trigger();
    ASSERT_EQ(Questions.Questions.size(), 1);
    EXPECT_EQ(Questions.Questions[0], "Move 1 file(s) to the trash?");
    EXPECT_TRUE(QFile::exists(Folder.File("p5.jpg")));
    EXPECT_EQ(w.Images().Count(), 6);
    EXPECT_EQ(w.DrawGrid->RowCount(), 2);

    Questions.YesNoAnswers = { true };
    w.ActionDelete->trigger();
    EXPECT_FALSE(QFile::exists(Folder.File("p5.jpg")));
    EXPECT_TRUE(QFile::exists(Trashed("p5.jpg")));
    EXPECT_EQ(w.Images().Count(), 5);
    EXPECT_EQ(w.DrawGrid->RowCount(), 1);
    // The status bar counts what is left and describes the cell now chosen, not the trashed file.
    EXPECT_EQ(w.StatusBar->PanelText(1), "5 file(s)");
    EXPECT_EQ(w.FileName(), Folder.File("p0.jpg"));
    EXPECT_EQ(w.StatusBar->PanelText(0), "64 x 48");

    w.pmiDeleteConfirm->setChecked(false);
    Select(0, 0, 4, 0);
    w.ActionDelete->trigger();
    EXPECT_EQ(Questions.Questions.size(), 2); // not asked
    EXPECT_EQ(w.Images().Count(), 0);
    EXPECT_EQ(w.DrawGrid->RowCount(), 1);
    EXPECT_EQ(w.StatusBar->PanelText(1), "0 file(s)");
    EXPECT_EQ(w.StatusBar->PanelText(0), "");
    w.UpdateActions();
    EXPECT_FALSE(w.ActionDelete->isEnabled());
}

// Linux names are case-sensitive: each of the two files has its own cell, and a command on
// one never touches the other's. The second in the grid is the one a case-blind look-up
// would miss.
TEST_F(Commands, FilesWhoseNamesDifferInLetterCaseOnlyKeepTheirOwnCells)
{
    Photo("IMG_1.jpg", 64, 48);
    Photo("img_1.jpg", 32, 16);
    TFormTarvix& w = Open();
    w.LoadFolder(Folder.Path());
    ASSERT_EQ(w.Images().Count(), 2);
    const QString first = w.Images().At(0).Path;
    const QString second = w.Images().At(1).Path;
    EXPECT_EQ(w.Images().IndexOf(first), 0);
    EXPECT_EQ(w.Images().IndexOf(second), 1);

    Select(1, 0, 1, 0);
    w.DrawGridSelectCell(1, 0);
    EXPECT_EQ(w.FileName(), second);
    Questions.TextAnswers = { "renamed" };
    w.ActionRename->trigger();
    EXPECT_EQ(StorePaths(), QStringList({ FileNameOfPath(first), "renamed.jpg" }));
    EXPECT_TRUE(QFile::exists(first));

    Questions.TextAnswers = { FileNameOfPath(second).chopped(4) }; // back again
    w.ActionRename->trigger();
    Select(1, 0, 1, 0);
    Questions.YesNoAnswers = { true };
    w.ActionDelete->trigger();
    EXPECT_TRUE(QFile::exists(first));
    EXPECT_FALSE(QFile::exists(second));
    EXPECT_EQ(StorePaths(), QStringList({ FileNameOfPath(first) }));
}

TEST_F(Commands, ViewOpensTheFileWithTheDesktopAndWarnsWhenItIsGone)
{
    TFormTarvix& w = Loaded(1);
    w.ActionOpen->trigger();
    ASSERT_EQ(OpenedUrls.size(), 1);
    EXPECT_EQ(OpenedUrls[0], QUrl::fromLocalFile(Folder.File("p0.jpg")));
    QFile::remove(Folder.File("p0.jpg"));
    w.ActionOpen->trigger();
    ASSERT_EQ(Questions.Messages.size(), 1);
    EXPECT_EQ(Questions.Messages[0], "Cannot open \"p0.jpg\". The file or folder has been moved or deleted.");
}

TEST_F(Commands, ThumbnailsInRowShowsTheCountAndChangesItOnlyOnOk)
{
    TFormTarvix& w = Loaded(3);
    int shown = -1;
    QTimer::singleShot(0, [&] {
        auto* form = w.findChild<TThumbForm*>("ThumbForm");
        ASSERT_NE(form, nullptr);
        shown = form->udQty->value();
        EXPECT_EQ(form->leQty->text(), "Thumbnails in Row");
        form->udQty->setValue(25); // held at the maximum
        EXPECT_EQ(form->udQty->value(), 20);
        form->udQty->setValue(8);
        form->btnOk->click();
    });
    w.pmiThumbsInRow->trigger();
    EXPECT_EQ(shown, 5);
    EXPECT_EQ(w.DrawGrid->ColumnCount(), 8);

    QTimer::singleShot(0, [&] {
        auto* form = w.findChild<TThumbForm*>("ThumbForm");
        ASSERT_NE(form, nullptr);
        form->udQty->setValue(2);
        QTest::keyClick(form, Qt::Key_Escape);
    });
    w.pmiThumbsInRow->trigger();
    EXPECT_EQ(w.DrawGrid->ColumnCount(), 8);
}

TEST_F(Commands, TheColourDialogsRecolourTheGridAndTheNames)
{
    TFormTarvix& w = Loaded(1);
    const int loads = Questions.ProgressWindowsCreated;
    const auto choose = [&](QColor color) {
        QTimer::singleShot(0, [&w, color] {
            auto* dialog = w.findChild<QColorDialog*>("ColorDialog");
            ASSERT_NE(dialog, nullptr);
            dialog->setCurrentColor(color);
            dialog->accept();
        });
    };
    choose(QColor(10, 20, 30));
    w.pmiBackColor->trigger();
    EXPECT_EQ(w.DrawGrid->BackgroundColor(), QColor(10, 20, 30));
    EXPECT_EQ(Questions.ProgressWindowsCreated, loads); // no rebuild for the background
    choose(QColor(255, 0, 0));
    w.pmiForeColor->trigger();
    EXPECT_EQ(w.DrawGrid->TextColor(), QColor(255, 0, 0));
    EXPECT_EQ(Questions.ProgressWindowsCreated, loads + 1);
}

TEST_F(Commands, TheLanguageMenuTicksTheChoiceAndTranslatesAtOnce)
{
    TFormTarvix& w = Open();
    QAction* german = nullptr;
    for (QAction* item : w.LanguageGroup->actions()) {
        if (item->text() == "Deutsch")
            german = item;
        EXPECT_TRUE(w.pmOptions->actions().contains(item));
    }
    ASSERT_NE(german, nullptr);
    EXPECT_EQ(w.LanguageGroup->checkedAction()->text(), "English");
    german->trigger();
    EXPECT_EQ(w.LanguageGroup->checkedAction(), german);
    EXPECT_EQ(w.tbAuto->text(), "Automatisch");
    EXPECT_EQ(Find<QMenu>("pmMru")->actions().first()->text(), "Aktuellen Ordner hinzufügen");
    EXPECT_EQ(w.StatusBar->PanelText(1), "0 Datei(en)");
    // The language items come after the last separator, in the folder's order.
    const QList<QAction*> items = w.pmOptions->actions();
    EXPECT_EQ(items[items.size() - w.LanguageGroup->actions().size() - 1]->objectName(), "N1");
    w.close();
    Window.reset();
    EXPECT_TRUE(
        SettingsStore::OpenFile(PerUserSettingsPath()).ReadString("Main", "Language", "").endsWith("/Deutsch.lng"));
}

TEST_F(Commands, TheCropWarningItemMirrorsTheStoreAndKeepTimestampSavesAtOnce)
{
    TFormTarvix& w = Open();
    SettingsStore::OpenPerUser().Write(SettingsKeys::DisplayCropWarning, false);
    w.pmOptionsPopup();
    EXPECT_FALSE(w.pmiDisplayCrop->isChecked());
    w.pmiDisplayCrop->trigger();
    EXPECT_TRUE(SettingsStore::OpenPerUser().Read(SettingsKeys::DisplayCropWarning));
    w.pmiKeepTimestamp->trigger();
    EXPECT_EQ(SettingsStore::OpenPerUser().ReadString("Main", "KeepTimestamp", ""), "0");
}

} // namespace
