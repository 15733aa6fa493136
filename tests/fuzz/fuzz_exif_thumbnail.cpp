// Arbitrary bytes as the TIFF block of an EXIF segment whose thumbnail is found and turned and
// whose pixel dimensions are rewritten.
#include "engine/exif_thumbnail.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace tarvix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView tiff(data, qsizetype(size));
    if (const std::optional<QByteArrayView> thumbnail = EmbeddedThumbnail(tiff)) {
        // A view of the block's own bytes, never past its end.
        if (thumbnail->empty() || thumbnail->data() < tiff.data()
            || thumbnail->data() + thumbnail->size() > tiff.data() + tiff.size())
            std::abort();
    }
    if (const std::optional<QByteArray> turned = TurnEmbeddedThumbnail(tiff, int(1 + size % 5))) {
        // Everything before the thumbnail is kept, the header first of all.
        if (turned->size() < 8 || QByteArrayView(*turned).first(8) != tiff.first(8))
            std::abort();
        // A thumbnail that can be turned is one the reading finds.
        if (!EmbeddedThumbnail(tiff))
            std::abort();
        // What came out is a block like any other: turning it again must be as safe.
        TurnEmbeddedThumbnail(*turned, int(1 + (size + 2) % 5));
    }
    QByteArray block = tiff.toByteArray();
    // Widths past 65535 exercise the SHORT entries that cannot hold them.
    SetPixelDimensions(block, int(size * 977 % 100000), int(size % 65537));
    if (block.size() != tiff.size()) // written in place, never resized
        std::abort();
    return 0;
}
