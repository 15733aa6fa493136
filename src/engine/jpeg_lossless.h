#pragma once

#include <QString>

// Turns or mirrors the JPEG file at `path` in place without re-encoding it: code 1 turns it
// 90 degrees clockwise, 2 by 180 degrees, 3 counter-clockwise, 4 flips top and bottom,
// 5 left and right. Edge blocks that cannot move with the picture are trimmed. Every
// marker segment is kept, a progressive file stays progressive, and bytes after the
// picture's end (appended videos, camera trailers) are kept after the new end.
// Returns 0 on success and non-zero on failure, when the file is left exactly as it was.
int JpegLosslessTransform(const QString& path, int code);
