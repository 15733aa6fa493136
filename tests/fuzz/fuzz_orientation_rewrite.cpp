// Arbitrary bytes as a JPEG file whose orientation is rewritten in place.
#include "engine/byte_store.h"
#include "engine/exif_orientation.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray original(reinterpret_cast<const char*>(data), qsizetype(size));
    MemoryByteStore store(original);
    PatchExifOrientation(store, quint16(1 + size % 8));
    if (store.Bytes().size() != original.size()) // the rewrite never changes a file's length
        std::abort();
    return 0;
}
