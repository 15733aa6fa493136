#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QSize>
#include <climits>

namespace tarvix {

// The size TurboJPEG decodes a picture of `picture` pixels to at the smallest of its scaling
// factors up to 1/1 whose result still covers `cover` in both dimensions; the picture's own
// size when not even 1/1 covers it (enlarging is left to smooth scaling, which does it better
// than decoding larger).
QSize CoveringDecodeSize(QSize picture, QSize cover);

// The JPEG stream `jpeg` decoded at CoveringDecodeSize of its frame header's size, as
// Format_RGB32 with the pixels as stored (no EXIF orientation). A stream the library only
// warns about, such as one that ends early, still decodes: what is missing stays grey.
//
// A null image when the library fails, for a frame header our own reader rejects, and when
// the decode would take more memory than a thumbnail is worth: more than about 16 megapixels
// of output, or more than 64 megapixels in a frame whose coefficients the library keeps all
// at once (progressive, or sequential with a first scan that leaves components out).
// Safe to call from any thread (one library handle per thread); never throws.
QImage DecodeScaledJpeg(QByteArrayView jpeg, QSize cover);

// The same at the picture's own size.
inline QImage DecodeJpeg(QByteArrayView jpeg)
{
    return DecodeScaledJpeg(jpeg, QSize(INT_MAX, INT_MAX));
}

} // namespace tarvix
