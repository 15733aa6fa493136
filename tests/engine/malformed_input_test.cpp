// Every file of tests/corpus through the header readers. The corpus holds broken and hostile
// inputs (cut at every interesting point, loops, offsets and counts past the end) and the
// inputs the fuzzers found; under the sanitizer build any read out of bounds fails here.
#include "engine/exif_reader.h"
#include "engine/image_info.h"
#include "engine/jpeg_header.h"
#include "support/jpeg_fixtures.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTextStream>
#include <gtest/gtest.h>

using namespace tarvix;

namespace {

const QString CorpusDir = QStringLiteral(TARVIX_SOURCE_DIR "/tests/corpus");

struct Expected {
    bool IsImage = false;
    int Width = 0;
    int Height = 0;
    int Orientation = 0;
    bool EightRowMcu = false;
};

// expectations.txt: one line per file made by make_corpus.py.
QHash<QString, Expected> ReadExpectations()
{
    QHash<QString, Expected> table;
    QFile file(CorpusDir + "/expectations.txt");
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return table;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QStringList f = in.readLine().split(' ', Qt::SkipEmptyParts);
        if (f.size() != 6 || f[0].startsWith('#'))
            continue;
        table.insert(f[0], { f[1] == "1", f[2].toInt(), f[3].toInt(), f[4].toInt(), f[5] == "1" });
    }
    return table;
}

void ExpectSane(const QByteArray& bytes, const ImageInfo& info)
{
    EXPECT_EQ(info.IsImage, info.Width > 0 && info.Height > 0);
    if (info.IsImage) {
        EXPECT_FALSE(info.Frame.Components.isEmpty());
        EXPECT_TRUE(info.Frame.McuWidth() >= 8 && info.Frame.McuWidth() <= 32);
        EXPECT_TRUE(info.Frame.McuHeight() >= 8 && info.Frame.McuHeight() <= 32);
    } else {
        EXPECT_TRUE(info.ExifTiff.isEmpty());
        EXPECT_EQ(OrientationOfImage(info), 0);
    }
    EXPECT_LT(info.ExifTiff.size(), 65536);
    EXPECT_LE(info.ExifTiff.size(), bytes.size());
    for (const bool whole : { false, true }) {
        SCOPED_TRACE(whole ? "whole file as TIFF" : "EXIF TIFF block");
        const QByteArray& tiff = whole ? bytes : info.ExifTiff;
        for (const PropertyItem& item : ParsePropertyItems(tiff)) {
            SCOPED_TRACE("tag " + std::to_string(item.id));
            EXPECT_EQ(item.length, quint32(item.value.size()));
            EXPECT_LE(item.value.size(), tiff.size());
        }
    }
}

} // namespace

TEST(MalformedInput, EveryCorpusFileGivesASaneAnswer)
{
    const QHash<QString, Expected> expectations = ReadExpectations();
    ASSERT_GE(expectations.size(), 30) << "corpus missing: " << CorpusDir.toStdString();
    const QStringList names = QDir(CorpusDir).entryList(QDir::Files, QDir::Name);
    for (const QString& name : expectations.keys())
        EXPECT_TRUE(names.contains(name)) << name.toStdString();

    for (const QString& name : names) {
        if (name == "expectations.txt" || name.endsWith(".py"))
            continue;
        SCOPED_TRACE(name.toStdString());
        const QString path = CorpusDir + '/' + name;
        const QByteArray bytes = ReadBytes(path);
        const ImageInfo info = OpenImageInfo(path);
        const ImageInfo inMemory = ParseImageInfo(bytes);
        ExpectSane(bytes, info);
        EXPECT_EQ(inMemory.IsImage, info.IsImage);
        EXPECT_EQ(inMemory.ExifTiff, info.ExifTiff);
        const bool eightRows = HasEightRowMcu(path);
        const quint16 orientation = ReadExifOrientation(path);
        if (!expectations.contains(name))
            continue;
        const Expected e = expectations[name];
        EXPECT_EQ(info.IsImage, e.IsImage);
        EXPECT_EQ(info.Width, e.Width);
        EXPECT_EQ(info.Height, e.Height);
        EXPECT_EQ(orientation, e.Orientation);
        EXPECT_EQ(eightRows, e.EightRowMcu);
    }
}
