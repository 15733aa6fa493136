// Arbitrary bytes as the TIFF block of an EXIF segment: its properties and its orientation.
#include "base/orientation_reader.h"
#include "engine/exif_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace tarvix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView tiff(data, qsizetype(size));
    const QList<PropertyItem> items = ParsePropertyItems(tiff);
    for (const PropertyItem& item : items)
        if (item.length != quint32(item.value.size()) || item.value.size() > tiff.size())
            std::abort();
    OrientationOfTiff(data, size);
    return 0;
}
