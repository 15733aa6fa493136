#pragma once

#include <QByteArray>
#include <QtGlobal>

// Random access to the bytes of a file or of a memory block, so the in-place rewrite can
// run against a real file and, unchanged, against fuzzed memory.
class ByteStore {
public:
    virtual ~ByteStore() = default;
    virtual qint64 Size() const = 0;
    // Both fail (false) on any short transfer; nothing is ever written past the end.
    virtual bool Read(qint64 position, char* into, qint64 count) = 0;
    virtual bool Write(qint64 position, const char* from, qint64 count) = 0;
};

// An open file descriptor; it is neither owned nor closed.
class FileByteStore : public ByteStore {
public:
    explicit FileByteStore(int fd);
    qint64 Size() const override { return FSize; }
    bool Read(qint64 position, char* into, qint64 count) override;
    bool Write(qint64 position, const char* from, qint64 count) override;

private:
    int FFd;
    qint64 FSize = 0;
};

class MemoryByteStore : public ByteStore {
public:
    explicit MemoryByteStore(QByteArray bytes)
        : FBytes(std::move(bytes))
    {
    }
    qint64 Size() const override { return FBytes.size(); }
    bool Read(qint64 position, char* into, qint64 count) override;
    bool Write(qint64 position, const char* from, qint64 count) override;
    const QByteArray& Bytes() const { return FBytes; }

private:
    QByteArray FBytes;
};
