#pragma once

#include <QByteArrayView>
#include <cstddef>

// A whole regular file mapped read-only into memory. Its pages come straight from the
// page cache, with no copy and no zero-filled buffer to fault in, which matters for the
// few hundred milliseconds a transform of a camera picture takes.
class MappedFile {
public:
    // Maps the open file `fd` up to `maxSize` bytes; Valid() is false for anything else
    // (not a regular file, larger, unreadable). An empty file maps as an empty view.
    MappedFile(int fd, qint64 maxSize);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    bool Valid() const { return FValid; }
    QByteArrayView View() const { return { static_cast<const char*>(FData), qsizetype(FSize) }; }

private:
    void* FData = nullptr;
    size_t FSize = 0;
    bool FValid = false;
};
