#pragma once

#include <QByteArray>
#include <QImage>

namespace tarvix {

// `image` as a baseline JPEG stream of `quality` (1 to 100) with full colour resolution
// (4:4:4): small pictures lose visibly to halved chroma. Empty bytes for a null image or a
// failure. Safe to call from any thread (one library handle per thread); never throws.
QByteArray EncodeJpeg(const QImage& image, int quality);

} // namespace tarvix
