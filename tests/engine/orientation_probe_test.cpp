// The launcher's quick probe may end a silent run early only where the engine agrees.
#include "base/orientation_probe.h"
#include "engine/auto_correct.h"
#include "engine/image_info.h"
#include "support/exif_builder.h"
#include "support/jpeg_fixtures.h"
#include "support/temp_folder.h"

#include <QDir>
#include <gtest/gtest.h>
#include <turbojpeg.h>

namespace {

ProbeResult Probe(const QByteArray& bytes)
{
    return ProbeOrientationBytes(reinterpret_cast<const unsigned char*>(bytes.constData()), size_t(bytes.size()));
}

bool EngineWouldTurn(const QByteArray& bytes)
{
    return CorrectingTransform(OrientationOfImage(ParseImageInfo(bytes))) != 0;
}

} // namespace

TEST(OrientationProbe, NeverClearsWhatTheEngineWouldTurn)
{
    QDir corpus(TARVIX_SOURCE_DIR "/tests/corpus");
    const QStringList names = corpus.entryList({ "*.jpg", "*.png" }, QDir::Files);
    ASSERT_GT(names.size(), 20);
    for (const QString& name : names) {
        const QByteArray bytes = ReadBytes(corpus.filePath(name));
        if (Probe(bytes) == ProbeResult::NotCorrectable) {
            EXPECT_FALSE(EngineWouldTurn(bytes)) << name.toStdString();
        }
        // Every cut of a file: the probe must treat a short read as the engine does.
        for (qsizetype cut = 0; cut < bytes.size(); cut += 7)
            if (Probe(bytes.first(cut)) == ProbeResult::NotCorrectable) {
                EXPECT_FALSE(EngineWouldTurn(bytes.first(cut))) << name.toStdString() << " cut at " << cut;
            }
    }
}

TEST(OrientationProbe, ClearsTheUsualFilesOnDiskAndLeavesTurnedOnesToTheEngine)
{
    const QByteArray plain = MakeJpeg(32, 16, TJSAMP_420);
    TempFolder folder;
    for (bool big : { false, true })
        for (int orientation = 0; orientation <= 8; ++orientation) {
            const QByteArray tagged = InsertSegments(plain, ExifSegment(CameraTiff(orientation, big)));
            const QString path = folder.File(QString("o%1%2.jpg").arg(orientation).arg(big));
            WriteBytes(path, tagged);
            const ProbeResult expected
                = CorrectingTransform(orientation) ? ProbeResult::Unsure : ProbeResult::NotCorrectable;
            EXPECT_EQ(ProbeOrientationFile(QFile::encodeName(path).constData()), expected) << orientation << big;
        }
    WriteBytes(folder.File("plain.jpg"), plain);
    WriteBytes(folder.File("text.jpg"), "not a picture");
    QDir(folder.Path()).mkdir("folder.jpg");
    for (const char* name : { "plain.jpg", "text.jpg", "folder.jpg", "missing.jpg" })
        EXPECT_EQ(ProbeOrientationFile(QFile::encodeName(folder.File(name)).constData()), ProbeResult::NotCorrectable)
            << name;
}
