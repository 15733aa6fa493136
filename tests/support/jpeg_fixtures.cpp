#include "support/jpeg_fixtures.h"

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <algorithm>
#include <memory>
#include <stdexcept>
#include <turbojpeg.h>

namespace tarvix {

namespace {
using TjHandle = std::unique_ptr<void, decltype(&tjDestroy)>;
}

QByteArray MakeJpeg(int width, int height, int subsampling, bool progressive, int quality)
{
    const bool gray = subsampling == TJSAMP_GRAY;
    const int channels = gray ? 1 : 3;
    std::vector<unsigned char> pixels(size_t(width) * height * channels);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c) {
                // Gradients in every direction plus a checker of 4-pixel squares: every
                // turn or mirror of it differs from the others.
                const int v = (x * 255 / std::max(1, width - 1)) * (c == 0)
                    + (y * 255 / std::max(1, height - 1)) * (c == 1) + ((x + 2 * y) % 256) * (c == 2)
                    + (((x / 4) + (y / 4)) % 2) * 60;
                pixels[(size_t(y) * width + x) * channels + c] = static_cast<unsigned char>(std::min(255, v));
            }
    TjHandle h(tjInitCompress(), tjDestroy);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const int flags = progressive ? TJFLAG_PROGRESSIVE : 0;
    if (tjCompress2(h.get(), pixels.data(), width, 0, height, gray ? TJPF_GRAY : TJPF_RGB, &out, &size, subsampling,
            quality, flags)
        != 0)
        throw std::runtime_error(tjGetErrorStr2(h.get()));
    QByteArray jpeg(reinterpret_cast<const char*>(out), qsizetype(size));
    tjFree(out);
    return jpeg;
}

Pixels DecodeJpeg(const QByteArray& jpeg)
{
    TjHandle h(tjInitDecompress(), tjDestroy);
    Pixels p;
    int subsampling = 0, colorspace = 0;
    auto* data = reinterpret_cast<const unsigned char*>(jpeg.constData());
    if (tjDecompressHeader3(h.get(), data, jpeg.size(), &p.Width, &p.Height, &subsampling, &colorspace) != 0
        && tjGetErrorCode(h.get()) == TJERR_FATAL)
        return {};
    if (p.Width <= 0 || p.Height <= 0)
        return {};
    p.Rgb.resize(size_t(p.Width) * p.Height * 3);
    if (tjDecompress2(h.get(), data, jpeg.size(), p.Rgb.data(), p.Width, 0, p.Height, TJPF_RGB, 0) != 0
        && tjGetErrorCode(h.get()) == TJERR_FATAL)
        return {};
    return p;
}

QByteArray Segment(unsigned char marker, const QByteArray& payload)
{
    QByteArray s;
    const int length = int(payload.size()) + 2;
    s.append(char(0xFF)).append(char(marker)).append(char(length >> 8)).append(char(length & 0xFF));
    return s + payload;
}

QByteArray ExifSegment(const QByteArray& tiff)
{
    return Segment(0xE1, QByteArray("Exif\0\0", 6) + tiff);
}

QByteArray XmpSegment(const QByteArray& packet)
{
    return Segment(0xE1, QByteArray("http://ns.adobe.com/xap/1.0/\0", 29) + packet);
}

QByteArray XmpPacketWithOrientation(int value, bool asAttribute)
{
    const QByteArray v = QByteArray::number(value);
    const QByteArray description = asAttribute
        ? "<rdf:Description rdf:about='' xmlns:tiff='http://ns.adobe.com/tiff/1.0/' tiff:Orientation=\"" + v + "\"/>"
        : "<rdf:Description rdf:about='' xmlns:tiff='http://ns.adobe.com/tiff/1.0/'><tiff:Orientation>" + v
            + "</tiff:Orientation></rdf:Description>";
    return "<?xpacket begin='\xEF\xBB\xBF' id='W5M0MpCehiHzreSzNTczkc9d'?><x:xmpmeta xmlns:x='adobe:ns:meta/'>"
           "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
        + description + "</rdf:RDF></x:xmpmeta><?xpacket end='w'?>";
}

QByteArray InsertSegments(const QByteArray& jpeg, const QByteArray& segments, bool afterApp0)
{
    qsizetype at = 2;
    if (afterApp0 && jpeg.size() > 6 && uchar(jpeg[2]) == 0xFF && uchar(jpeg[3]) == 0xE0)
        at = 4 + ((uchar(jpeg[4]) << 8) | uchar(jpeg[5]));
    return jpeg.left(at) + segments + jpeg.mid(at);
}

QByteArray ReadBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

QByteArray Jpegtran(const QString& input, int code, bool progressive)
{
    static const char* const args[]
        = { nullptr, "-rotate 90", "-rotate 180", "-rotate 270", "-flip vertical", "-flip horizontal" };
    QStringList arguments = { "-copy", "all", "-trim" };
    arguments += QString(args[code]).split(' ');
    if (progressive)
        arguments += "-progressive";
    QProcess p;
    p.start("jpegtran", arguments + QStringList { input });
    p.waitForFinished();
    return p.readAllStandardOutput();
}

} // namespace tarvix
