#include "engine/image_info.h"

#include "base/byte_source.h"
#include "base/orientation_reader.h"
#include "platform/read_file.h"

#include <exception>

namespace tarvix {

namespace {

// Camera files keep their EXIF block and frame header within this, so one read usually does.
constexpr qint64 HeadSize = 16 * 1024;

ImageInfo FromHead(JpegHead head)
{
    ImageInfo info;
    if (!head.Frame)
        return info;
    info.IsImage = true;
    info.Width = head.Frame->Width;
    info.Height = head.Frame->Height;
    info.Frame = std::move(*head.Frame);
    info.ExifTiff = std::move(head.ExifTiff);
    return info;
}

} // namespace

ImageInfo OpenImageInfo(const QString& path)
{
    const UniqueFd fd = OpenRegularFile(path);
    if (!fd.Valid())
        return {};
    FileByteSource file(fd.Get(), HeadSize);
    return FromHead(ReadJpegHead(file));
}

ImageInfo ParseImageInfo(QByteArrayView jpeg)
{
    return FromHead(ReadJpegHead(jpeg));
}

quint16 OrientationOfImage(const ImageInfo& image)
{
    if (!image.IsImage)
        return 0;
    return OrientationOfTiff(
        reinterpret_cast<const unsigned char*>(image.ExifTiff.constData()), size_t(image.ExifTiff.size()));
}

quint16 ReadExifOrientation(const QString& fileName)
{
    try {
        return OrientationOfImage(OpenImageInfo(fileName));
    } catch (const std::exception&) {
        return 1; // out of memory: an orientation that nothing corrects
    }
}

} // namespace tarvix
