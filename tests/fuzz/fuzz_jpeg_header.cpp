// Arbitrary bytes as a JPEG file: the segment walk, the frame header and the EXIF block found.
#include "engine/exif_reader.h"
#include "engine/image_info.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace tarvix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const ImageInfo info = ParseImageInfo(QByteArrayView(data, qsizetype(size)));
    if (info.IsImage != (info.Width > 0 && info.Height > 0) || info.ExifTiff.size() > 65535)
        std::abort();
    if (info.IsImage && (info.Frame.McuWidth() % 8 != 0 || info.Frame.McuHeight() % 8 != 0))
        std::abort();
    OrientationOfImage(info);
    return 0;
}
