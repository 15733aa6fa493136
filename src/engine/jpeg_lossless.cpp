#include "engine/jpeg_lossless.h"

#include "engine/jpeg_stream.h"
#include "platform/locked_file.h"
#include "platform/safe_write.h"
#include "platform/thumbnail_cache.h"

#include <memory>
#include <turbojpeg.h>

namespace tarvix {

namespace {

enum Failure { Ok = 0, BadCode = 1, Unreadable = 2, Busy = 3, NotTransformable = 4, Unwritable = 5 };

// Pictures larger than this would need several gigabytes of coefficients in memory.
constexpr qint64 MaxPixels = qint64(1) << 30;

using TjHandle = std::unique_ptr<void, decltype(&tjDestroy)>;

} // namespace

LibraryStream LosslessLibraryTransform(QByteArrayView input, int code, bool progressive, bool warningsFail)
{
    static const int operations[] = { 0, TJXOP_ROT90, TJXOP_ROT180, TJXOP_ROT270, TJXOP_VFLIP, TJXOP_HFLIP };
    LibraryStream stream;
    if (code < 1 || code > 5)
        return stream;
    TjHandle handle(tjInitTransform(), tjDestroy);
    if (!handle)
        return stream;
    tjtransform transform {};
    transform.op = operations[code];
    transform.options = TJXOPT_TRIM | (progressive ? TJXOPT_PROGRESSIVE : 0);
    unsigned char* output = nullptr;
    unsigned long outputSize = 0;
    const int status = tjTransform(handle.get(), reinterpret_cast<const unsigned char*>(input.data()),
        static_cast<unsigned long>(input.size()), 1, &output, &outputSize, &transform,
        TJFLAG_LIMITSCANS | (warningsFail ? TJFLAG_STOPONWARNING : 0));
    std::shared_ptr<unsigned char> owner(output, tjFree);
    if (status != 0 && (warningsFail || tjGetErrorCode(handle.get()) != TJERR_WARNING))
        return stream;
    if (!output || outputSize == 0)
        return stream;
    stream.FBuffer = std::move(owner);
    stream.FSize = qsizetype(outputSize);
    return stream;
}

int TransformJpegBytes(QByteArrayView input, int code, TransformedJpeg& result)
{
    if (code < 1 || code > 5)
        return BadCode;
    const JpegStreamLayout layout = ScanJpegStream(input);
    // A stream that stops before its end would come back padded with grey; refusing it
    // before the library runs also spares a cut-off file the memory its header claims.
    if (!layout.Complete || qint64(layout.Width) * layout.Height > MaxPixels)
        return NotTransformable;
    // A warning (stray bytes before a marker, say) is fine: the stream is complete.
    result.FPicture = LosslessLibraryTransform(input, code, layout.Progressive, false);
    if (result.FPicture.IsEmpty())
        return NotTransformable;
    result.FTrailer = input.sliced(layout.End);
    return Ok;
}

int JpegLosslessTransform(const QString& path, int code)
{
    if (code < 1 || code > 5)
        return BadCode;
    // Two of us at the same file would each write back their own result over the other's.
    LockedFile file;
    switch (file.Open(path, MaxPictureFileSize, std::chrono::milliseconds(0))) {
    case LockedFile::Status::Ok:
        break;
    case LockedFile::Status::Busy:
        return Busy;
    case LockedFile::Status::Unreadable:
        return Unreadable;
    }
    TransformedJpeg result;
    if (const int failure = TransformJpegBytes(file.Bytes(), code, result))
        return failure;
    ReplaceOptions replace;
    replace.Expected = file.Stat();
    if (ReplaceFileContent(path, { result.Picture(), result.Trailer() }, replace) != 0)
        return Unwritable;
    ForgetCachedThumbnails(path);
    return Ok;
}

} // namespace tarvix
