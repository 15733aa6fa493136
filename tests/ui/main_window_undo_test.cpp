// Ctrl+Z in the window: each turn of a selection and each "Automatic" is one step, taken back to
// the exact bytes and times of every file that is still as the step left it.
#include "support/exif_builder.h"
#include "support/qt_printers.h"
#include "ui/grid/thumbnail_model.h"
#include "window_fixture.h"

#include <QCryptographicHash>
#include <QMenu>
#include <fcntl.h>
#include <sys/stat.h>

using namespace tarvix;

namespace {

struct FileState {
    QByteArray Hash;
    timespec Accessed {};
    timespec Modified {};
    bool operator==(const FileState& other) const
    {
        return Hash == other.Hash && Accessed.tv_sec == other.Accessed.tv_sec
            && Accessed.tv_nsec == other.Accessed.tv_nsec && Modified.tv_sec == other.Modified.tv_sec
            && Modified.tv_nsec == other.Modified.tv_nsec;
    }
};

// A read may move the access time (relatime: once after each change). Before a turn the file is
// read first, so that its times are those the turn finds; after an undo it is looked at first.
FileState StateOf(const QString& path, bool readFirst = false)
{
    QByteArray hash;
    if (readFirst)
        hash = QCryptographicHash::hash(ReadBytes(path), QCryptographicHash::Sha256);
    struct stat st { };
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
    if (!readFirst)
        hash = QCryptographicHash::hash(ReadBytes(path), QCryptographicHash::Sha256);
    return { hash, st.st_atim, st.st_mtim };
}

class Undo : public WindowTest {
protected:
    // Photos whose width no whole block fits: a turn right trims them, and no turn back
    // brings their edge again.
    TFormTarvix& Loaded(int count, const QByteArray& settings = "DisplayCropWarning=0\n")
    {
        WriteSettings(settings);
        for (int i = 0; i < count; ++i) {
            const QString path = Folder.File(QStringLiteral("p%1.jpg").arg(i));
            WriteBytes(path, MakeJpeg(100 + i, 75, TJSAMP_420));
            // Times of their own, to the nanosecond, that a restoration must bring back.
            const timespec times[2] = { { 1600000000 + i, 123456789 }, { 1500000000 + i, 987654321 } };
            ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
        }
        TFormTarvix& w = Open();
        w.LoadFolder(Folder.Path());
        w.UpdateActions();
        return w;
    }
    void SelectAll(int count)
    {
        Window->DrawGrid->MakeCurrent(0, 0);
        Window->DrawGrid->selectionModel()->select(
            QItemSelection(Window->DrawGrid->Model().index(0, 0), Window->DrawGrid->Model().index(0, count - 1)),
            QItemSelectionModel::ClearAndSelect);
        Window->UpdateActions();
    }
    void PressCtrlZ() { QTest::keyClick(Window->DrawGrid, Qt::Key_Z, Qt::ControlModifier); }
};

TEST_F(Undo, CtrlZTakesBackATrimmingTurnToTheExactBytesAndTimes)
{
    TFormTarvix& w = Loaded(3);
    QList<FileState> before;
    for (int i = 0; i < 3; ++i)
        before.append(StateOf(Folder.File(QStringLiteral("p%1.jpg").arg(i)), true));
    // Atop the grid's menu, with its shortcut, and off while there is nothing to take back.
    ASSERT_FALSE(w.findChild<QMenu*>("PopupMenu")->actions().isEmpty());
    EXPECT_EQ(w.findChild<QMenu*>("PopupMenu")->actions().first(), w.ActionUndo);
    EXPECT_EQ(w.ActionUndo->shortcut(), QKeySequence(QKeySequence::Undo));
    EXPECT_FALSE(w.ActionUndo->isEnabled());

    SelectAll(3);
    w.ActionRotateRight->trigger();
    w.UpdateActions();
    ASSERT_NE(StateOf(Folder.File("p0.jpg")), before[0]);
    EXPECT_TRUE(w.ActionUndo->isEnabled());
    SelectAll(1);
    w.ActionFlipHor->trigger(); // a second step, of p0 alone
    w.UpdateActions();
    QTRY_VERIFY(!w.RefreshPending());

    const int made = Made.loadRelaxed();
    PressCtrlZ();
    w.UpdateActions();
    QTRY_VERIFY(!w.RefreshPending());
    EXPECT_EQ(Made.loadRelaxed() - made, 1) << "the restored file's thumbnail is made again";
    EXPECT_NE(StateOf(Folder.File("p0.jpg")), before[0]); // turned, as the first step left it
    PressCtrlZ();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(StateOf(Folder.File(QStringLiteral("p%1.jpg").arg(i))), before[i]) << i;
    w.UpdateActions();
    EXPECT_FALSE(w.ActionUndo->isEnabled());
    EXPECT_TRUE(Questions.Messages.isEmpty()) << Questions.Messages.join('\n').toStdString();
    QTRY_VERIFY(!w.RefreshPending());
}

TEST_F(Undo, AFileChangedSinceIsLeftAloneAndNamedTheOthersComeBack)
{
    TFormTarvix& w = Loaded(3);
    const FileState first = StateOf(Folder.File("p0.jpg"), true);
    SelectAll(3);
    w.ActionRotateRight->trigger();
    // Another program writes p1 anew, as most do: a new file in its place.
    const QByteArray other = MakeJpeg(40, 30, TJSAMP_444);
    WriteBytes(Folder.File("p1.tmp"), other);
    ASSERT_TRUE(QFile::remove(Folder.File("p1.jpg")));
    ASSERT_TRUE(QFile::rename(Folder.File("p1.tmp"), Folder.File("p1.jpg")));
    QFile::remove(Folder.File("p2.jpg"));
    w.UpdateActions();

    PressCtrlZ();
    EXPECT_EQ(StateOf(Folder.File("p0.jpg")), first);
    EXPECT_EQ(ReadBytes(Folder.File("p1.jpg")), other);
    EXPECT_FALSE(QFile::exists(Folder.File("p2.jpg")));
    ASSERT_EQ(Questions.Messages.size(), 1);
    const QStringList lines = Questions.Messages[0].split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "These files were changed since and were left as they are:");
    EXPECT_EQ(QSet<QString>(lines.begin() + 1, lines.end()), QSet<QString>({ "p1.jpg", "p2.jpg" }));
}

TEST_F(Undo, AutomaticIsOneStepAndASettingOfNoneTurnsUndoOff)
{
    WriteSettings("DisplayCropWarning=0\n");
    QList<FileState> before;
    for (int orientation : { 6, 8 }) {
        const QString path = Folder.File(QStringLiteral("o%1.jpg").arg(orientation));
        WriteBytes(path, InsertSegments(MakeJpeg(100, 75, TJSAMP_420), ExifSegment(CameraTiff(orientation, false))));
        before.append(StateOf(path, true));
    }
    TFormTarvix& w = Open();
    w.LoadFolder(Folder.Path());
    Questions.YesNoAnswers = { true };
    w.tbAutoClick();
    EXPECT_NE(StateOf(Folder.File("o6.jpg")), before[0]);
    w.UpdateActions();
    ASSERT_TRUE(w.ActionUndo->isEnabled());
    w.ActionUndo->trigger();
    EXPECT_EQ(StateOf(Folder.File("o6.jpg")), before[0]);
    EXPECT_EQ(StateOf(Folder.File("o8.jpg")), before[1]);
    QTRY_VERIFY(!w.RefreshPending());
    Window.reset();
    for (int orientation : { 6, 8 })
        QFile::remove(Folder.File(QStringLiteral("o%1.jpg").arg(orientation)));

    // Off: the turn is done, and nothing can be taken back.
    TFormTarvix& off = Loaded(1, "DisplayCropWarning=0\nUndoCacheMB=0\n");
    SelectAll(1);
    off.ActionRotateRight->trigger();
    off.UpdateActions();
    EXPECT_FALSE(off.ActionUndo->isEnabled());
    PressCtrlZ();
    EXPECT_NE(StateOf(Folder.File("p0.jpg")).Hash,
        QCryptographicHash::hash(MakeJpeg(100, 75, TJSAMP_420), QCryptographicHash::Sha256));
}

} // namespace
