#pragma once

#include <QByteArrayView>
#include <QtGlobal>

namespace tarvix {

// What the lossless transform must know of a whole JPEG stream before handing it over.
struct JpegStreamLayout {
    bool Complete = false; // the entropy-coded data ends in an EOI marker
    qsizetype End = 0; // offset just past that EOI; bytes after it are not part of the picture
    bool Progressive = false;
    quint16 Width = 0;
    quint16 Height = 0;
};

// Walks the marker chain and the entropy-coded data of every scan. Bounds-checked; a
// stream that stops early, or is no JPEG at all, is reported as not complete.
JpegStreamLayout ScanJpegStream(QByteArrayView data);

} // namespace tarvix
