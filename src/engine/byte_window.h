#pragma once

#include "engine/byte_store.h"

#include <QByteArray>
#include <QByteArrayView>

// Reads a ByteStore through a window: the first read takes the file's head in one go, a read
// outside the window moves it there, so segments lying far into a big file cost one seek
// instead of reading everything in front of them.
class ByteWindow {
public:
    explicit ByteWindow(ByteStore& store, qint64 headSize);
    qint64 Size() const { return FStore.Size(); }
    // The bytes [offset, offset + length), fewer when the store ends sooner; valid until the
    // next call.
    QByteArrayView Read(qint64 offset, qint64 length);
    int ByteAt(qint64 offset); // -1 past the end

private:
    bool Fill(qint64 offset, qint64 length);

    ByteStore& FStore;
    QByteArray FWindow;
    qint64 FWindowStart = 0;
};
