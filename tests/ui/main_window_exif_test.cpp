#include "engine/language.h"
#include "support/exif_builder.h"
#include "support/qt_printers.h"
#include "ui/dialogs/exif_display.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QHeaderView>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

using namespace tarvix;

namespace {

class ExifDialog : public WindowTest {
protected:
    // A window with the photo chosen whose EXIF block is `tiff` (none when empty).
    TFormTarvix& Chosen(const QByteArray& tiff)
    {
        const QString photo = Folder.File("photo.jpg");
        const QByteArray jpeg = MakeJpeg(64, 48, TJSAMP_420);
        WriteBytes(photo, tiff.isEmpty() ? jpeg : InsertSegments(jpeg, ExifSegment(tiff)));
        TFormTarvix& w = Open();
        w.LoadFolder(Folder.Path());
        w.DrawGridSelectCell(0, 0);
        w.UpdateActions();
        return w;
    }

    struct Shown {
        QString Title;
        QStringList Headers;
        QStringList Rows; // "label = value"
        bool IconOnEveryRow = true;
        bool FileOpen = false;
        QString Copied;
    };

    // Opens the dialog, reads it, copies every row and closes it with Esc.
    std::optional<Shown> Show(TFormTarvix& w)
    {
        std::optional<Shown> shown;
        QTimer::singleShot(0, [&] {
            auto* form = w.findChild<TFormExif*>("FormExif");
            ASSERT_NE(form, nullptr);
            Shown s;
            s.Title = form->windowTitle();
            s.Headers = { form->ListView->headerItem()->text(0), form->ListView->headerItem()->text(1) };
            for (int i = 0; i < form->ListView->topLevelItemCount(); ++i) {
                const QTreeWidgetItem* item = form->ListView->topLevelItem(i);
                s.Rows.append(item->text(0) + " = " + item->text(1));
                s.IconOnEveryRow = s.IconOnEveryRow && !item->icon(0).isNull();
            }
            for (const QFileInfo& fd : QDir("/proc/self/fd").entryInfoList(QDir::System | QDir::Files))
                s.FileOpen = s.FileOpen || fd.symLinkTarget() == Folder.File("photo.jpg");
            form->ListView->selectAll();
            form->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(form));
            form->ListView->setFocus();
            QTest::keyClick(form->ListView, Qt::Key_C, Qt::ControlModifier);
            s.Copied = QApplication::clipboard()->text();
            shown = s;
            QTest::keyClick(form, Qt::Key_Escape);
        });
        w.ActionDisplayExif->trigger();
        // The dialog is gone, whatever happened inside.
        EXPECT_EQ(w.findChild<TFormExif*>("FormExif"), nullptr);
        return shown;
    }
};

TEST_F(ExifDialog, ShowsTheTableTagsInTheFilesOrderAndCopiesThem)
{
    TiffLayout layout;
    layout.Ifd0 = { TiffEntry::Ascii(0x010F, "Maker"), TiffEntry::Short(0x0112, 3), TiffEntry::Short(0x0999, 1) };
    layout.Exif
        = { TiffEntry::Rational(0x829A, 1, 250), TiffEntry::Rational(0x9206, 0, 0), TiffEntry::Short(0x9209, 0x19) };
    TFormTarvix& w = Chosen(BuildTiff(layout, false));
    ASSERT_TRUE(w.ActionDisplayExif->isEnabled());
    const std::optional<Shown> shown = Show(w);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->Title, "EXIF Properties");
    EXPECT_EQ(shown->Headers, QStringList({ "Tag", "Value" }));
    EXPECT_EQ(shown->Rows,
        QStringList({ "Digicam manufacturer = Maker", "Orientation of the camera = Bottom/right-hand side (Rotate 180)",
            "Exposure time (sec) = 1/250", "Distance to focus point (m) = 0/0", "Flash = Flash fired, auto mode" }));
    EXPECT_TRUE(shown->IconOnEveryRow);
    EXPECT_FALSE(shown->FileOpen);
    EXPECT_EQ(shown->Copied.count(u'\n'), 5);
    EXPECT_TRUE(shown->Copied.startsWith("Digicam manufacturer\tMaker\nOrientation of the camera\tBottom/"));
    EXPECT_TRUE(Questions.Messages.isEmpty());
}

TEST_F(ExifDialog, SpeaksTheWindowsLanguage)
{
    TiffLayout layout;
    layout.Ifd0 = { TiffEntry::Rational(0x011A, 144, 2) };
    TFormTarvix& w = Chosen(BuildTiff(layout, true));
    w.Language->SetLanguageFile(QStringLiteral(TARVIX_SOURCE_DIR "/lang/Deutsch.lng"));
    QString copyCaption;
    QTimer::singleShot(0, [&] {
        if (auto* form = w.findChild<TFormExif*>("FormExif")) {
            copyCaption = form->CopyAction->text();
            EXPECT_EQ(form->btnOk->text(), "&OK");
        }
    });
    const std::optional<Shown> shown = Show(w);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->Title, "EXIF-Eigenschaften");
    EXPECT_EQ(shown->Headers, QStringList({ "Eigenschaft", "Wert" }));
    EXPECT_EQ(shown->Rows, QStringList({ "X-Resolution = 72" })); // the labels are never translated
    EXPECT_EQ(copyCaption, "&Kopieren");
}

TEST_F(ExifDialog, NothingToShowGivesAMessageAndNoDialog)
{
    // Only the thumbnail's IFD and a maker note: no row.
    TiffLayout layout;
    layout.Exif = { { 0x927C, 7, {}, "maker", -1 } };
    layout.Ifd1 = { TiffEntry::Short(0x0112, 6) };
    TFormTarvix& w = Chosen(BuildTiff(layout, false));
    bool dialog = false;
    QTimer::singleShot(
        0, [&] { dialog = w.findChild<TFormExif*>("FormExif") && w.findChild<TFormExif*>()->isVisible(); });
    w.ActionDisplayExif->trigger();
    QCoreApplication::processEvents();
    EXPECT_FALSE(dialog);
    EXPECT_EQ(Questions.Messages, QStringList({ "This file does not contain EXIF data." }));

    // The chosen file is gone: the missing-file warning.
    QFile::remove(Folder.File("photo.jpg"));
    w.ActionDisplayExif->trigger();
    ASSERT_EQ(Questions.Messages.size(), 2);
    EXPECT_EQ(Questions.Messages[1], "Cannot open \"photo.jpg\". The file or folder has been moved or deleted.");
}

} // namespace
