#include "engine/image_info.h"

#include "engine/byte_window.h"
#include "engine/exif_reader.h"
#include "platform/read_file.h"

#include <exception>

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
    FileByteStore file(fd.Get());
    ByteWindow window(file, HeadSize);
    return FromHead(ReadJpegHead(window));
}

ImageInfo ParseImageInfo(QByteArrayView jpeg)
{
    return FromHead(ReadJpegHead(jpeg));
}

quint16 OrientationOfImage(const ImageInfo& image)
{
    return image.IsImage ? OrientationOfImage(ParsePropertyItems(image.ExifTiff)) : 0;
}

quint16 ReadExifOrientation(const QString& fileName)
{
    try {
        return OrientationOfImage(OpenImageInfo(fileName));
    } catch (const std::exception&) {
        return 1; // out of memory: an orientation that nothing corrects
    }
}
