#pragma once

#include <QString>
#include <QtGlobal>

class ByteStore;

// Writes `value` into every EXIF orientation entry of IFD0, the EXIF sub-IFD and the IFD
// chain after IFD0 (the thumbnail's IFD1), and into the XMP tiff:Orientation value, in place.
// It never changes the file's length and never writes anything but those values; it reports
// nothing. A value of 0 does not even open the file, and a file that another process holds
// locked is left alone.
void ResetExifOrientation(const QString& fileName, quint16 value);

// The same rewrite over any byte store (a file, or memory for the fuzzer).
void PatchExifOrientation(ByteStore& store, quint16 value);
