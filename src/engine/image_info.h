#pragma once

#include "engine/jpeg_header.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace tarvix {

// An image as opened for its size and properties: nothing of the pixels is decoded. A file
// that is not a JPEG, or that ends before its frame header, is no image: its width and height
// are 0 and it has no properties.
struct ImageInfo {
    bool IsImage = false;
    int Width = 0; // stored pixels; the orientation tag is not applied
    int Height = 0;
    JpegFrameHeader Frame; // empty (no components) when no image
    QByteArray ExifTiff; // the EXIF TIFF block, empty when there is none
};

// Reads the file's head (16 KiB) and, only when the EXIF block or the frame header lies
// further, the few bytes needed there. A file that cannot be opened or read is no image.
ImageInfo OpenImageInfo(const QString& path);
ImageInfo ParseImageInfo(QByteArrayView jpeg);

// The orientation value of the image's EXIF properties, 0 when it has none or is no image.
quint16 OrientationOfImage(const ImageInfo& image);

// The orientation value of a file: 0 when it is no image or cannot be read (like a file the
// image library cannot open, it has no properties), 1 should reading fail in any other way.
quint16 ReadExifOrientation(const QString& fileName);

} // namespace tarvix
