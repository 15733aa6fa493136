// The launcher's quick orientation probe against the engine's full reading: whenever the
// probe lets a silent run end early, the engine must agree that the picture needs no turn.
#include "base/orientation_probe.h"
#include "engine/auto_correct.h"
#include "engine/image_info.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (ProbeOrientationBytes(data, size) != ProbeResult::NotCorrectable)
        return 0;
    const QByteArrayView jpeg(data, qsizetype(size));
    if (CorrectingTransform(OrientationOfImage(ParseImageInfo(jpeg))) != 0)
        std::abort();
    return 0;
}
