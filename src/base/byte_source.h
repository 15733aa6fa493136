#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarvix {

// The bytes of a file or of a memory block, read on demand, so that one reader of a format
// serves the launcher (no Qt), the engine and the fuzzers alike.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t Size() const = 0;
    // The bytes [offset, offset + length), or nullptr when they are not all there; valid
    // until the next call.
    virtual const unsigned char* Bytes(uint64_t offset, size_t length) = 0;
    int ByteAt(uint64_t offset) // -1 past the end
    {
        const unsigned char* b = Bytes(offset, 1);
        return b ? *b : -1;
    }
};

class MemoryByteSource : public ByteSource {
public:
    MemoryByteSource(const void* data, size_t size)
        : FData(static_cast<const unsigned char*>(data))
        , FSize(size)
    {
    }
    uint64_t Size() const override { return FSize; }
    const unsigned char* Bytes(uint64_t offset, size_t length) override
    {
        return offset <= FSize && length <= FSize - offset ? FData + offset : nullptr;
    }

private:
    const unsigned char* FData;
    size_t FSize;
};

// An open file read through a window: the first read takes the file's head in one go, a read
// outside the window moves it there, so segments lying far into a big file cost one read
// instead of everything in front of them. The descriptor is neither owned nor closed.
class FileByteSource : public ByteSource {
public:
    FileByteSource(int fd, size_t headSize);
    uint64_t Size() const override { return FSize; }
    const unsigned char* Bytes(uint64_t offset, size_t length) override;

private:
    int FFd;
    uint64_t FSize = 0;
    std::vector<unsigned char> FWindow;
    uint64_t FWindowStart = 0;
};

} // namespace tarvix
