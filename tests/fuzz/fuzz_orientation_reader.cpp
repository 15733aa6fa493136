// The launcher's reading of the orientation against the engine's: a silent run may end early
// only where the engine agrees that no picture needs a turn.
#include "base/orientation_reader.h"
#include "engine/image_info.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace tarvix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MemoryByteSource source(data, size);
    const uint16_t launcher = OrientationOfJpeg(source);
    const ImageInfo info = ParseImageInfo(QByteArrayView(data, qsizetype(size)));
    const uint16_t engine = OrientationOfImage(info);
    // The engine reads the same block, and sees no properties where it finds no picture.
    if (engine != (info.IsImage ? launcher : 0))
        std::abort();
    return 0;
}
