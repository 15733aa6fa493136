// Arbitrary bytes as one EXIF property: a flags byte (bit 0: a locale with a decimal comma),
// the tag (4 bytes), the TIFF type (2), the claimed length (4), then the value bytes, which
// may be fewer or more than the length claims.
#include "engine/exif_format.h"

#include <QtEndian>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace tarvix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QLocale german(QLocale::German, QLocale::Germany);
    static const QLocale c = QLocale::c();
    if (size < 11)
        return 0;
    const QLocale& locale = (data[0] & 1) ? german : c;
    PropertyItem item;
    item.id = qFromLittleEndian<quint32>(data + 1);
    item.type = qFromLittleEndian<quint16>(data + 5);
    item.length = qFromLittleEndian<quint32>(data + 7);
    item.value = QByteArray(reinterpret_cast<const char*>(data + 11), qsizetype(size - 11));
    FormatExifValue(item, locale);

    // The value bytes read as the arguments of the helpers, too.
    if (size >= 27) {
        const quint64 a = qFromLittleEndian<quint64>(data + 11);
        const quint64 b = qFromLittleEndian<quint64>(data + 19);
        const quint64 divisor = GreatestCommonDivisor(a, b);
        if (divisor == 0 || a % divisor != 0 || b % divisor != 0)
            std::abort();
        FormatFraction(a, b);
        double number = 0;
        std::memcpy(&number, data + 11, sizeof number);
        FormatGeneralNumber(number, locale);
    }
    return 0;
}
