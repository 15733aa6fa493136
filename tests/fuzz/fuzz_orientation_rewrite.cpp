// Arbitrary bytes as a JPEG file whose orientation is rewritten.
#include "base/byte_source.h"
#include "base/orientation_reader.h"
#include "engine/exif_orientation.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace tarvix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray original(reinterpret_cast<const char*>(data), qsizetype(size));
    const quint16 value = quint16(1 + size % 8);
    QByteArray rewritten = original;
    ResetExifOrientation(rewritten, value);
    if (rewritten.size() != original.size()) // the rewrite never changes a file's length
        std::abort();
    MemoryByteSource source(rewritten.constData(), size_t(rewritten.size()));
    (void)OrientationOfJpeg(source);
    return 0;
}
