// The launcher and the engine read the orientation through one reader; these tests hold
// the launcher's quick scan to the engine's answer.
#include "base/orientation_reader.h"
#include "base/silent_scan.h"
#include "engine/auto_correct.h"
#include "engine/image_info.h"
#include "support/exif_builder.h"
#include "support/jpeg_fixtures.h"
#include "support/temp_folder.h"

#include <QDir>
#include <gtest/gtest.h>
#include <turbojpeg.h>

using namespace tarvix;

namespace {

quint16 Launcher(const QByteArray& bytes)
{
    MemoryByteSource source(bytes.constData(), size_t(bytes.size()));
    return OrientationOfJpeg(source);
}

bool LauncherEndsEarly(const QString& folder)
{
    const QByteArray path = QFile::encodeName(folder);
    char program[] = "tarvix", autosub[] = "-autosub", silent[] = "-s";
    char* argv[] = { program, autosub, silent, const_cast<char*>(path.constData()), nullptr };
    return SilentCorrectionHasNothingToDo(4, argv);
}

} // namespace

TEST(OrientationReader, TheEngineReadsWhatTheLauncherReadsWhereItFindsAPicture)
{
    QDir corpus(TARVIX_SOURCE_DIR "/tests/corpus");
    const QStringList names = corpus.entryList({ "*.jpg", "*.png" }, QDir::Files);
    ASSERT_GT(names.size(), 20);
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray bytes = ReadBytes(corpus.filePath(name));
        // Every cut of a file too: a short file must be read alike.
        for (qsizetype cut = 0; cut <= bytes.size(); cut += cut + 7 < bytes.size() ? 7 : bytes.size() - cut + 1) {
            const QByteArray part = bytes.first(std::min(cut, bytes.size()));
            const ImageInfo info = ParseImageInfo(part);
            EXPECT_EQ(OrientationOfImage(info), info.IsImage ? Launcher(part) : 0) << "cut at " << cut;
        }
    }
}

TEST(OrientationReader, ReadsFilesOnDiskAndNothingFromWhatIsNoJpeg)
{
    const QByteArray plain = MakeJpeg(32, 16, TJSAMP_420);
    TempFolder folder;
    for (bool big : { false, true })
        for (int orientation = 0; orientation <= 8; ++orientation) {
            const QString path = folder.File(QString("o%1%2.jpg").arg(orientation).arg(big));
            WriteBytes(path, InsertSegments(plain, ExifSegment(CameraTiff(orientation, big))));
            EXPECT_EQ(ReadFileOrientation(QFile::encodeName(path).constData()), orientation) << big;
            EXPECT_EQ(ReadExifOrientation(path), orientation) << big;
        }
    WriteBytes(folder.File("plain.jpg"), plain);
    WriteBytes(folder.File("text.jpg"), "not a picture");
    QDir(folder.Path()).mkdir("folder.jpg");
    for (const char* name : { "plain.jpg", "text.jpg", "folder.jpg", "missing.jpg" })
        EXPECT_EQ(ReadFileOrientation(QFile::encodeName(folder.File(name)).constData()), 0) << name;
}

TEST(OrientationReader, TheLauncherHandsOnAFolderWhoseOnlyTurnedPictureHidesBehindAnEmptyExifHeader)
{
    // Found by fuzzing: an empty "Exif\0\0" APP1 before the real block once made the
    // launcher end a run that the engine would have done.
    const QByteArray plain = MakeJpeg(32, 16, TJSAMP_420);
    TempFolder folder;
    WriteBytes(folder.File("upright.jpg"), InsertSegments(plain, ExifSegment(CameraTiff(1, false))));
    EXPECT_TRUE(LauncherEndsEarly(folder.Path()));
    const QByteArray hidden
        = InsertSegments(plain, Segment(0xE1, QByteArray("Exif\0\0", 6)) + ExifSegment(CameraTiff(6, false)));
    WriteBytes(folder.File("hidden.jpg"), hidden);
    EXPECT_EQ(ReadExifOrientation(folder.File("hidden.jpg")), 6);
    EXPECT_FALSE(LauncherEndsEarly(folder.Path()));
}
