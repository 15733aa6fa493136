// Arbitrary bytes as an entry of the private thumbnail cache, as a damaged or planted file in
// the cache folder would give them.
#include "platform/thumbnail_entry.h"

#include <QLoggingCategory>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace tarvix;

// A refused entry of our format is a warning for a maintainer; here nearly every input is one.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    QLoggingCategory::setFilterRules(QStringLiteral("tarvix.cache.warning=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    const std::optional<ThumbnailEntry> entry = ParseThumbnailEntry(bytes);
    if (!entry)
        return 0;
    // The picture is a view of the input's own bytes, never past its end.
    if (entry->Jpeg.empty() || entry->Jpeg.data() < bytes.data()
        || entry->Jpeg.data() + entry->Jpeg.size() > bytes.data() + bytes.size())
        std::abort();
    // Sizes the caller can scale by: none empty, the master within the picture.
    if (entry->Picture.isEmpty() || entry->Master.isEmpty() || entry->Master.width() > entry->Picture.width()
        || entry->Master.height() > entry->Picture.height())
        std::abort();
    // An entry that passes is one the writer could have written: exactly these bytes.
    if (SerializeThumbnailEntry(*entry) != bytes)
        std::abort();
    return 0;
}
