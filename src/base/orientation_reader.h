#pragma once

#include "base/byte_source.h"

#include <cstddef>
#include <cstdint>

namespace tarvix {

// The one reader of the EXIF orientation, shared by the launcher's quick scan and the
// engine, so the two can never disagree about a file.

// The orientation value of a TIFF block: the first 16-bit word of the last orientation entry
// of IFD0, the EXIF IFD and the GPS IFD (in that order) whose type is known and whose value
// lies in the block; a one-byte value counts as that byte. 0 when there is none.
uint16_t OrientationOfTiff(const unsigned char* tiff, size_t size);

// The orientation value of the EXIF block of a JPEG (see IsExifBlock); 0 without one.
uint16_t OrientationOfJpeg(ByteSource& jpeg);

// The same for a file; 0 when it cannot be opened or is no regular file.
uint16_t ReadFileOrientation(const char* path);

// The values a folder correction turns upright: 3 (upside down), 6 and 8 (a quarter turn).
inline bool IsCorrectableOrientation(uint16_t value)
{
    return value == 3 || value == 6 || value == 8;
}

} // namespace tarvix
