// Names of files and folders and EXIF values are shown as written everywhere, however much
// they look like markup: Qt would otherwise render them, and an <img> in a camera's maker
// field would make a tool tip load whatever file it names.
#include "engine/exif_reader.h"
#include "engine/exif_tags.h"
#include "engine/language.h"
#include "engine/message_format.h"
#include "support/exif_builder.h"
#include "ui/dialogs/exif_display.h"
#include "ui/dialogs/progress_window.h"
#include "ui/dialogs/qt_dialogs.h"
#include "ui/grid/thumbnail_model.h"
#include "ui/window/status_bar.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <functional>

using namespace tarvix;

namespace {

// A folder and a file name that are valid on Linux and look like markup, entities included.
const QString FolderName = QStringLiteral("<i>folder &amp; more<i>");
const QString PhotoName = QStringLiteral("<img src=\"nowhere.png\"><b>x<i> &amp; \"q\".jpg");
const QByteArray Make = "<img src=\"/nonexistent/zero\"><b>Maker</b>";

// What a widget shows, and whether it may take it for markup.
struct Shown {
    QString Text;
    Qt::TextFormat Format = Qt::AutoText;
};

// The text a person reads: Qt renders AutoText as rich text when it looks like markup.
QString AsRead(const Shown& shown)
{
    if (shown.Format == Qt::RichText || (shown.Format == Qt::AutoText && Qt::mightBeRichText(shown.Text)))
        return QTextDocumentFragment::fromHtml(shown.Text).toPlainText();
    return shown.Text;
}

Shown OfLabel(const QLabel* label)
{
    return label ? Shown { label->text(), label->textFormat() } : Shown {};
}

// Runs `open`, which shows a modal box, reads the box's label and closes the box.
template <typename Box> Shown FromModal(const std::function<void()>& open, const char* labelName = nullptr)
{
    Shown shown;
    std::function<void()> read;
    read = [&] {
        auto* box = qobject_cast<Box*>(QApplication::activeModalWidget());
        if (!box) {
            QTimer::singleShot(0, qApp, read);
            return;
        }
        shown = OfLabel(labelName ? box->template findChild<QLabel*>(labelName) : box->template findChild<QLabel*>());
        box->reject();
    };
    QTimer::singleShot(0, qApp, read);
    open();
    return shown;
}

class PlainText : public WindowTest {
protected:
    QString FolderPath() const { return Folder.File(FolderName); }
    QString PhotoPath() const { return FolderPath() + u'/' + PhotoName; }

    TFormTarvix& Loaded()
    {
        EXPECT_TRUE(QDir().mkpath(FolderPath()));
        TiffLayout layout;
        layout.Ifd0 = { TiffEntry::Ascii(0x010F, Make) };
        WriteBytes(PhotoPath(), InsertSegments(MakeJpeg(64, 48, TJSAMP_420), ExifSegment(BuildTiff(layout, false))));
        TFormTarvix& w = Open();
        w.LoadFolder(FolderPath());
        return w;
    }
};

TEST_F(PlainText, EveryPlaceShowsNamesPathsAndExifValuesAsWritten)
{
    TFormTarvix& w = Loaded();
    ASSERT_EQ(w.Images().Count(), 1);
    QtDialogs boxes(&w);
    const QString missing = TranslateMessage(
        *w.Language, "Cannot open \"%s\". The file or folder has been moved or deleted.", { MessageArg(PhotoName) });

    struct Place {
        const char* Name;
        QString Expected;
        std::function<Shown()> Read;
    };
    const Place places[] = {
        { "message box", PhotoName,
            [&] {
                return FromModal<QMessageBox>(
                    [&] { boxes.ShowMessage(missing, QString(), Dialogs::Icon::Warning); }, "qt_msgbox_label");
            } },
        { "question", PhotoName,
            [&] {
                return FromModal<QMessageBox>(
                    [&] { boxes.AskYesNo(missing, QString(), Dialogs::Icon::Question); }, "qt_msgbox_label");
            } },
        { "crop warning", PhotoName,
            [&] {
                return FromModal<QMessageBox>(
                    [&] { boxes.AskCropWarning(missing, "Don't ask again"); }, "qt_msgbox_label");
            } },
        { "rename box", PhotoName,
            [&] { return FromModal<QInputDialog>([&] { boxes.AskText("Rename", PhotoName, "x"); }); } },
        { "progress window", PhotoName,
            [&] {
                TProgressWindow progress(&w);
                progress.SetLabelText(PhotoName);
                return OfLabel(progress.Form()->lblInfo);
            } },
        { "status bar", PhotoPath(),
            [&] {
                w.StatusBar->SetPanelText(0, PhotoPath());
                return OfLabel(w.StatusBar->findChild<QLabel*>("Panel0"));
            } },
        { "grid tool tip", PhotoPath(),
            [&] {
                return Shown { w.DrawGrid->Model().data(w.DrawGrid->Model().index(0, 0), Qt::ToolTipRole).toString() };
            } },
        { "grid name", PhotoName,
            [&] {
                // The delegate draws the display text with drawText, which never renders markup.
                return Shown { w.DrawGrid->Model().data(w.DrawGrid->Model().index(0, 0), Qt::DisplayRole).toString(),
                    Qt::PlainText };
            } },
        { "EXIF value tool tip", QString::fromLatin1(Make),
            [&] {
                TFormExif form(w.Language->LanguageFile(), &w);
                form.SetRows(ExifRows(ReadFilePropertyItems(PhotoPath())));
                if (form.ListView->topLevelItemCount() != 1)
                    return Shown {};
                return Shown { form.ListView->topLevelItem(0)->toolTip(1) };
            } },
        { "favourites tool tip", FolderPath(),
            [&] {
                Bar().SetFavorites({ FolderPath() });
                for (QAction* item : Find<QMenu>("pmMru")->actions())
                    if (item->data().isValid())
                        return Shown { item->toolTip() };
                return Shown {};
            } },
        { "favourites caption", FolderName,
            [&] {
                for (QAction* item : Find<QMenu>("pmMru")->actions())
                    if (item->data().isValid()) // a menu shows "&&" as "&" and takes "&x" for a mnemonic
                        return Shown { QString(item->text()).replace(QLatin1String("&&"), QLatin1String("&")),
                            Qt::PlainText };
                return Shown {};
            } },
        { "folder tree tool tip", QString(),
            [&] {
                const QModelIndex node = w.ShellTreeModel->index(FolderPath());
                return Shown { w.ShellTreeModel->data(node, Qt::ToolTipRole).toString() };
            } },
        { "folder tree name", FolderName,
            [&] {
                const QModelIndex node = w.ShellTreeModel->index(FolderPath());
                return Shown { w.ShellTreeModel->data(node, Qt::DisplayRole).toString(), Qt::PlainText };
            } },
    };
    for (const Place& place : places) {
        const Shown shown = place.Read();
        const QString read = AsRead(shown);
        if (place.Expected.isEmpty())
            EXPECT_TRUE(read.isEmpty() || read == shown.Text) << place.Name << ": " << read.toStdString();
        else
            EXPECT_TRUE(read.contains(place.Expected)) << place.Name << " shows \"" << read.toStdString() << "\" for \""
                                                       << place.Expected.toStdString() << '"';
    }
}

} // namespace
