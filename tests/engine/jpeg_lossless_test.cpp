#include "engine/jpeg_lossless.h"
#include "support/exif_builder.h"
#include "support/jpeg_fixtures.h"
#include "support/qt_printers.h"
#include "support/temp_folder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QSize>
#include <QStandardPaths>
#include <QUrl>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <turbojpeg.h>

using namespace tarvix;

namespace {

struct Sampling {
    int Subsampling;
    const char* Name;
};

} // namespace

TEST(JpegLossless, MatchesJpegtranForEverySamplingSizeAndCode)
{
    if (QStandardPaths::findExecutable("jpegtran").isEmpty())
        GTEST_SKIP() << "jpegtran (libjpeg-turbo-progs) is not installed";
    const Sampling samplings[] = { { TJSAMP_420, "4:2:0" }, { TJSAMP_422, "4:2:2" }, { TJSAMP_444, "4:4:4" },
        { TJSAMP_GRAY, "grey" }, { TJSAMP_411, "4:1:1" }, { TJSAMP_440, "4:4:0" } };
    const QSize sizes[] = { { 64, 48 }, { 61, 45 } };
    TempFolder folder;
    for (const Sampling& s : samplings)
        for (const QSize size : sizes)
            for (const bool progressive : { false, true }) {
                if (progressive && s.Subsampling != TJSAMP_420 && s.Subsampling != TJSAMP_GRAY)
                    continue;
                SCOPED_TRACE(QString("%1 %2x%3%4")
                                 .arg(s.Name)
                                 .arg(size.width())
                                 .arg(size.height())
                                 .arg(progressive ? " progressive" : "")
                                 .toStdString());
                const QByteArray original
                    = InsertSegments(MakeJpeg(size.width(), size.height(), s.Subsampling, progressive),
                        ExifSegment(CameraTiff(6, true)));
                const QString source = folder.File("source.jpg");
                WriteBytes(source, original);
                for (int code = 1; code <= 5; ++code) {
                    SCOPED_TRACE("code " + std::to_string(code));
                    const QString path = folder.File("turned.jpg");
                    WriteBytes(path, original);
                    ASSERT_EQ(JpegLosslessTransform(path, code), 0);
                    EXPECT_EQ(ReadBytes(path), Jpegtran(source, code, progressive));
                }
            }
    EXPECT_EQ(folder.Entries(), QStringList({ "source.jpg", "turned.jpg" }));
}

TEST(JpegLossless, KeepsBytesAfterThePictureAndAcceptsStrayBytesBeforeAMarker)
{
    TempFolder folder;
    const QString path = folder.File("motion.jpg");
    const QByteArray picture = MakeJpeg(32, 32, TJSAMP_420);
    const QByteArray trailer = QByteArray("\0\0\0\x18"
                                          "ftypmp42 video follows",
        26);
    WriteBytes(path, picture + trailer);
    ASSERT_EQ(JpegLosslessTransform(path, 1), 0);
    const QByteArray turned = ReadBytes(path);
    EXPECT_TRUE(turned.endsWith(QByteArray("\xFF\xD9", 2) + trailer));
    EXPECT_EQ(DecodeJpeg(turned).Width, 32);

    // Junk before the frame header makes the library warn, but the picture is whole.
    QByteArray junk = picture;
    junk.insert(junk.indexOf("\xFF\xC0"), QByteArray("\x00\x01\x02", 3));
    WriteBytes(path, junk);
    EXPECT_EQ(JpegLosslessTransform(path, 2), 0);
}

TEST(JpegLossless, RefusesWhatItCannotTurnAndLeavesTheFileAsItWas)
{
    TempFolder folder;
    const QByteArray picture = InsertSegments(MakeJpeg(64, 64, TJSAMP_420), ExifSegment(CameraTiff(3, false)));
    const QList<QPair<const char*, QByteArray>> inputs = {
        { "truncated", picture.left(picture.size() * 2 / 3) }, // the library would pad it with grey
        { "cut before the tables", picture.left(picture.indexOf("\xFF\xDB")) },
        { "text", "just some text in a file named .jpg" },
        { "PNG", QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(100, 'x') },
        { "empty", QByteArray() },
    };
    const QString path = folder.File("bad.jpg");
    for (const auto& [name, input] : inputs) {
        SCOPED_TRACE(name);
        WriteBytes(path, input);
        ::chmod(QFile::encodeName(path).constData(), 0640);
        EXPECT_NE(JpegLosslessTransform(path, 1), 0);
        EXPECT_EQ(ReadBytes(path), input);
        EXPECT_EQ(QFile::permissions(path),
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup);
        EXPECT_EQ(folder.Entries(), QStringList({ "bad.jpg" }));
    }
    WriteBytes(path, picture);
    EXPECT_NE(JpegLosslessTransform(path, 0), 0);
    EXPECT_NE(JpegLosslessTransform(path, 6), 0);
    EXPECT_NE(JpegLosslessTransform(folder.File("missing.jpg"), 1), 0);
    EXPECT_EQ(ReadBytes(path), picture);
}

TEST(JpegLossless, ForgetsTheFileManagersThumbnails)
{
    TempFolder folder;
    const QString path = folder.File("cached.jpg");
    WriteBytes(path, MakeJpeg(16, 16, TJSAMP_444));
    const QString cache = qEnvironmentVariable("XDG_CACHE_HOME") + "/thumbnails";
    // MD5 of the file's URI, as file managers name their entries.
    const QString entry
        = QCryptographicHash::hash(QUrl::fromLocalFile(path).toEncoded(), QCryptographicHash::Md5).toHex() + ".png";
    for (const char* size : { "normal", "large" }) {
        QDir().mkpath(cache + "/" + size);
        WriteBytes(cache + "/" + size + "/" + entry, "png");
        WriteBytes(cache + "/" + size + "/other.png", "png");
    }
    ASSERT_EQ(JpegLosslessTransform(path, 1), 0);
    EXPECT_FALSE(QFile::exists(cache + "/normal/" + entry));
    EXPECT_FALSE(QFile::exists(cache + "/large/" + entry));
    EXPECT_TRUE(QFile::exists(cache + "/normal/other.png"));
}
