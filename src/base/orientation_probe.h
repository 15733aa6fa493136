#pragma once

#include <cstddef>

// A quick look at a file's EXIF orientation without Qt, for the launcher's silent scan.
// It answers NotCorrectable only when the engine's full reading cannot find the picture
// turned (orientation 3, 6 or 8); anything unusual is Unsure and left to the engine.
enum class ProbeResult { NotCorrectable, Unsure };

ProbeResult ProbeOrientationFile(const char* path);
ProbeResult ProbeOrientationBytes(const unsigned char* data, size_t size);
