#include "engine/byte_window.h"

#include <algorithm>

namespace {
// Reads beyond the head fetch at least this much: the small segments that follow one
// another then come from a single read.
constexpr qint64 MinWindow = 8192;
} // namespace

ByteWindow::ByteWindow(ByteStore& store, qint64 headSize)
    : FStore(store)
{
    Fill(0, headSize);
}

QByteArrayView ByteWindow::Read(qint64 offset, qint64 length)
{
    if (offset < 0 || length <= 0 || offset >= Size())
        return {};
    length = std::min(length, Size() - offset);
    if (offset < FWindowStart || offset - FWindowStart + length > FWindow.size()) {
        if (!Fill(offset, std::max(length, MinWindow)))
            return {};
        return QByteArrayView(FWindow).first(length);
    }
    return QByteArrayView(FWindow).sliced(offset - FWindowStart, length);
}

int ByteWindow::ByteAt(qint64 offset)
{
    const QByteArrayView b = Read(offset, 1);
    return b.isEmpty() ? -1 : quint8(b[0]);
}

bool ByteWindow::Fill(qint64 offset, qint64 length)
{
    FWindowStart = offset;
    FWindow.resize(std::clamp<qint64>(Size() - offset, 0, length));
    if (FStore.Read(offset, FWindow.data(), FWindow.size()))
        return true;
    FWindow.clear();
    return false;
}
