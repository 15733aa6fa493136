#include "ui/thumbnails/jpeg_encoder.h"

#include "ui/thumbnails/turbojpeg_handle.h"

#include <exception>
#include <memory>

namespace tarvix {

namespace {

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr int Rgb32PixelFormat = TJPF_BGRX;
#else
constexpr int Rgb32PixelFormat = TJPF_XRGB;
#endif

struct BufferDeleter {
    void operator()(unsigned char* buffer) const { tjFree(buffer); }
};

QByteArray Encode(const QImage& image, int quality)
{
    if (image.isNull())
        return {};
    const QImage rgb = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    const tjhandle handle = ThreadTurboJpegHandle<tjInitCompress>();
    if (rgb.isNull() || !handle)
        return {};
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const int result = tjCompress2(handle, rgb.constBits(), rgb.width(), int(rgb.bytesPerLine()), rgb.height(),
        Rgb32PixelFormat, &out, &size, TJSAMP_444, quality, 0);
    const std::unique_ptr<unsigned char, BufferDeleter> owned(out);
    if (result != 0 || !out)
        return {};
    return QByteArray(reinterpret_cast<const char*>(out), qsizetype(size));
}

} // namespace

QByteArray EncodeJpeg(const QImage& image, int quality)
{
    try {
        return Encode(image, quality);
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace tarvix
