#include "engine/image_info.h"
#include "engine/jpeg_header.h"
#include "support/exif_builder.h"
#include "support/jpeg_fixtures.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <turbojpeg.h>

using namespace tarvix;

namespace {

// Offset of the frame marker's FF in a stream made by MakeJpeg.
qsizetype FrameAt(const QByteArray& jpeg, char marker = char(0xC0))
{
    return jpeg.indexOf(QByteArray("\xFF") + marker);
}

QByteArray Padding(qsizetype totalSize)
{
    return Segment(0xEB, QByteArray(totalSize - 4, 'p'));
}

} // namespace

TEST(JpegHeader, FrameHeaderOfEverySampling)
{
    struct Case {
        int Sampling;
        int H, V, McuWidth, McuHeight;
    };
    for (const Case c : { Case { TJSAMP_420, 2, 2, 16, 16 }, Case { TJSAMP_422, 2, 1, 16, 8 },
             Case { TJSAMP_444, 1, 1, 8, 8 }, Case { TJSAMP_411, 4, 1, 32, 8 }, Case { TJSAMP_440, 1, 2, 8, 16 } }) {
        SCOPED_TRACE(c.Sampling);
        for (const bool progressive : { false, true }) {
            SCOPED_TRACE(progressive ? "progressive" : "baseline");
            const ImageInfo info = ParseImageInfo(MakeJpeg(57, 35, c.Sampling, progressive));
            ASSERT_TRUE(info.IsImage);
            EXPECT_EQ(info.Width, 57);
            EXPECT_EQ(info.Height, 35);
            ASSERT_EQ(info.Frame.Components.size(), 3);
            EXPECT_EQ(info.Frame.Components[0].H, c.H);
            EXPECT_EQ(info.Frame.Components[0].V, c.V);
            EXPECT_EQ(info.Frame.Components[1].H, 1);
            EXPECT_EQ(info.Frame.McuWidth(), c.McuWidth);
            EXPECT_EQ(info.Frame.McuHeight(), c.McuHeight);
            EXPECT_EQ(info.Frame.Progressive(), progressive);
            EXPECT_EQ(info.Frame.Marker, progressive ? 0xC2 : 0xC0);
            EXPECT_FALSE(info.Frame.Arithmetic());
            EXPECT_EQ(info.Frame.Precision, 8);
        }
    }
    const ImageInfo grey = ParseImageInfo(MakeJpeg(20, 12, TJSAMP_GRAY));
    ASSERT_TRUE(grey.IsImage);
    EXPECT_EQ(grey.Frame.Components.size(), 1);
    EXPECT_EQ(grey.Frame.McuWidth(), 8);
    EXPECT_EQ(grey.Frame.McuHeight(), 8);
}

TEST(JpegHeader, FrameHeaderFieldsAndRefusals)
{
    // A 4:1:1 picture turned by a quarter: luma sampled 1x4, which TurboJPEG's header call refuses.
    const QByteArray turned("\x08\x02\x58\x03\x20\x03\x01\x14\x00\x02\x11\x01\x03\x11\x01", 15);
    const auto frame = ParseFrameHeader(0xC9, turned);
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->Height, 600);
    EXPECT_EQ(frame->Width, 800);
    EXPECT_EQ(frame->McuWidth(), 8);
    EXPECT_EQ(frame->McuHeight(), 32);
    EXPECT_TRUE(frame->Arithmetic());
    EXPECT_FALSE(frame->Progressive());
    EXPECT_TRUE(ParseFrameHeader(0xCE, turned)->Progressive());

    auto changed = [&](int at, const QByteArray& bytes) { return QByteArray(turned).replace(at, bytes.size(), bytes); };
    const QByteArray zero("\0\0", 2);
    EXPECT_FALSE(ParseFrameHeader(0xC4, turned).has_value()); // DHT, not a frame
    EXPECT_FALSE(ParseFrameHeader(0xCC, turned).has_value()); // DAC
    EXPECT_FALSE(ParseFrameHeader(0xC0, changed(1, zero)).has_value()); // height 0 (DNL)
    EXPECT_FALSE(ParseFrameHeader(0xC0, changed(3, zero)).has_value()); // width 0
    EXPECT_FALSE(ParseFrameHeader(0xC0, changed(7, "\x10")).has_value()); // vertical factor 0
    EXPECT_FALSE(ParseFrameHeader(0xC0, changed(7, "\x51")).has_value()); // horizontal factor 5
    EXPECT_FALSE(ParseFrameHeader(0xC0, changed(5, "\x04")).has_value()); // four components announced, three present
    EXPECT_FALSE(ParseFrameHeader(0xC0, changed(5, zero).left(6)).has_value()); // no component
    EXPECT_FALSE(ParseFrameHeader(0xC0, turned.left(14)).has_value());
    EXPECT_FALSE(ParseFrameHeader(0xC0, {}).has_value());
}

TEST(JpegHeader, SegmentWalkToleratesWhatTheDecoderTolerates)
{
    const QByteArray jpeg = MakeJpeg(40, 24, TJSAMP_420);
    const qsizetype sof = FrameAt(jpeg);
    auto withBefore = [&](const QByteArray& bytes) { return jpeg.left(sof) + bytes + jpeg.mid(sof); };

    const JpegHead fill = ReadJpegHead(withBefore("\xFF\xFF\xFF"));
    ASSERT_TRUE(fill.Frame.has_value());
    EXPECT_EQ(fill.FrameOffset, sof + 3);
    EXPECT_EQ(fill.Frame->Width, 40);
    EXPECT_TRUE(ReadJpegHead(withBefore("junk")).Frame.has_value()); // stray bytes before a marker
    EXPECT_TRUE(ReadJpegHead(withBefore(QByteArray("\xFF\x00\xFF\xD3", 4))).Frame.has_value()); // stuffed pair, restart
    EXPECT_TRUE(ReadJpegHead(withBefore(Segment(0xFE, "comment"))).Frame.has_value());

    // The broken chains are in the replay corpus; these are the limits and the frame's offset.
    EXPECT_FALSE(ReadJpegHead(withBefore(QByteArray(70000, 'j'))).Frame.has_value()); // too much junk to be a JPEG
    EXPECT_FALSE(ReadJpegHead(jpeg.left(sof + 10)).Frame.has_value()); // cut inside the frame header
    EXPECT_EQ(ReadJpegHead(jpeg.left(sof + 10)).FrameOffset, sof);
    EXPECT_TRUE(ReadJpegHead(jpeg.left(sof + 19)).Frame.has_value()); // the header is all that is needed
}

TEST(JpegHeader, HasEightRowMcuTakesTheFirstBaselineHeaderInTheWindow)
{
    QTemporaryDir dir;
    auto probe = [&](const QByteArray& bytes) {
        const QString path = dir.filePath("probe.jpg");
        WriteBytes(path, bytes);
        return HasEightRowMcu(path);
    };
    EXPECT_TRUE(probe(MakeJpeg(64, 40, TJSAMP_422))); // 0x21
    EXPECT_FALSE(probe(MakeJpeg(64, 40, TJSAMP_420))); // 0x22
    EXPECT_FALSE(probe(MakeJpeg(64, 40, TJSAMP_444))); // 0x11
    EXPECT_FALSE(probe(MakeJpeg(64, 40, TJSAMP_422, true))); // progressive: no FF C0
    EXPECT_FALSE(probe(MakeJpeg(64, 40, TJSAMP_GRAY))); // one component: no FF C0 00 11
    EXPECT_FALSE(probe("not a picture"));
    EXPECT_FALSE(HasEightRowMcu(dir.filePath("missing.jpg")));
    EXPECT_FALSE(HasEightRowMcu(dir.path()));

    // Only the first 32 768 bytes count: the sampling byte 11 bytes after the FF must lie there.
    const QByteArray jpeg = MakeJpeg(64, 40, TJSAMP_422);
    auto frameAt = [&](qsizetype target) { return InsertSegments(jpeg, Padding(target - FrameAt(jpeg))); };
    EXPECT_EQ(FrameAt(frameAt(32756)), 32756);
    EXPECT_TRUE(probe(frameAt(32756)));
    EXPECT_FALSE(probe(frameAt(32757)));
    EXPECT_FALSE(probe(frameAt(40000)));

    // An EXIF thumbnail's header lies in front of the picture's and decides; the transform
    // makes up for it by testing the picture's own block size as well.
    auto withThumbnail = [](const QByteArray& picture, const QByteArray& thumbnail) {
        TiffLayout tiff;
        tiff.Ifd0 = { TiffEntry::Short(0x0112, 1) };
        tiff.Ifd1 = { TiffEntry::Long(0x0201, 0), TiffEntry { 0x9999, 7, {}, thumbnail, -1 } };
        return InsertSegments(picture, ExifSegment(BuildTiff(tiff, false)), true);
    };
    EXPECT_TRUE(probe(withThumbnail(MakeJpeg(64, 40, TJSAMP_420), MakeJpeg(16, 8, TJSAMP_422))));
    EXPECT_FALSE(probe(withThumbnail(MakeJpeg(64, 40, TJSAMP_422), MakeJpeg(16, 8, TJSAMP_420))));
}
