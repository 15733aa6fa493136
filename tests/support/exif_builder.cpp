#include "support/exif_builder.h"

namespace tarvix {

namespace {

int TypeSize(uint16_t type)
{
    switch (type) {
    case 3:
    case 8:
        return 2;
    case 4:
    case 9:
    case 11:
        return 4;
    case 5:
    case 10:
    case 12:
        return 8;
    default:
        return 1;
    }
}

class Writer {
public:
    explicit Writer(bool big)
        : FBig(big)
    {
    }
    void U16(QByteArray& b, uint32_t v) const
    {
        if (FBig)
            b.append(char(v >> 8)).append(char(v));
        else
            b.append(char(v)).append(char(v >> 8));
    }
    void U32(QByteArray& b, uint32_t v) const
    {
        if (FBig)
            b.append(char(v >> 24)).append(char(v >> 16)).append(char(v >> 8)).append(char(v));
        else
            b.append(char(v)).append(char(v >> 8)).append(char(v >> 16)).append(char(v >> 24));
    }
    void Put32(QByteArray& b, qsizetype at, uint32_t v) const
    {
        QByteArray t;
        U32(t, v);
        b.replace(at, 4, t);
    }
    QByteArray Value(const TiffEntry& e) const
    {
        QByteArray v;
        if (!e.Bytes.isEmpty() || e.Numbers.isEmpty())
            return e.Bytes;
        for (uint32_t n : e.Numbers)
            TypeSize(e.Type) == 2 ? U16(v, n) : U32(v, n);
        return v;
    }

private:
    bool FBig;
};

// Writes one IFD at the end of `out`; returns the position of its next-IFD field.
// Pointer entries get their value patched by the caller through `pointerAt`.
qsizetype WriteIfd(QByteArray& out, const Writer& w, const QList<TiffEntry>& entries, QList<qsizetype>* valueAt)
{
    const qsizetype start = out.size();
    w.U16(out, uint32_t(entries.size()));
    qsizetype dataAt = start + 2 + 12 * entries.size() + 4;
    QByteArray data;
    for (const TiffEntry& e : entries) {
        const QByteArray value = w.Value(e);
        const uint32_t count
            = e.CountOverride >= 0 ? uint32_t(e.CountOverride) : uint32_t(value.size() / TypeSize(e.Type));
        w.U16(out, e.Tag);
        w.U16(out, e.Type);
        w.U32(out, count);
        if (valueAt)
            valueAt->append(out.size());
        if (value.size() <= 4) {
            out += value + QByteArray(4 - value.size(), '\0');
        } else {
            w.U32(out, uint32_t(dataAt + data.size()));
            data += value;
            if (data.size() % 2)
                data += '\0';
        }
    }
    const qsizetype next = out.size();
    w.U32(out, 0);
    out += data;
    return next;
}

} // namespace

QByteArray BuildTiff(const TiffLayout& layout, bool bigEndian)
{
    const Writer w(bigEndian);
    QByteArray out = bigEndian ? QByteArray("MM") : QByteArray("II");
    w.U16(out, 42);
    w.U32(out, 8);

    QList<TiffEntry> ifd0 = layout.Ifd0;
    if (!layout.Exif.isEmpty())
        ifd0.append(TiffEntry::Long(0x8769, 0));
    if (!layout.Gps.isEmpty())
        ifd0.append(TiffEntry::Long(0x8825, 0));
    QList<qsizetype> valueAt;
    const qsizetype next0 = WriteIfd(out, w, ifd0, &valueAt);
    qsizetype pointer = layout.Ifd0.size();
    if (!layout.Exif.isEmpty()) {
        w.Put32(out, valueAt[pointer++], uint32_t(out.size()));
        WriteIfd(out, w, layout.Exif, nullptr);
    }
    if (!layout.Gps.isEmpty()) {
        w.Put32(out, valueAt[pointer++], uint32_t(out.size()));
        WriteIfd(out, w, layout.Gps, nullptr);
    }
    if (!layout.Ifd1.isEmpty()) {
        w.Put32(out, next0, uint32_t(out.size()));
        WriteIfd(out, w, layout.Ifd1, nullptr);
    }
    return out;
}

QByteArray TiffWithThumbnail(TiffLayout layout, const QByteArray& thumbnail, bool bigEndian, bool shortLength)
{
    const uint32_t length = uint32_t(thumbnail.size());
    layout.Ifd1.append(TiffEntry::Long(0x0201, 0));
    layout.Ifd1.append(shortLength ? TiffEntry::Short(0x0202, length) : TiffEntry::Long(0x0202, length));
    // Both values lie in their entries, so the block keeps its size once the offset is known.
    const qsizetype end = BuildTiff(layout, bigEndian).size();
    layout.Ifd1[layout.Ifd1.size() - 2] = TiffEntry::Long(0x0201, uint32_t(end));
    return BuildTiff(layout, bigEndian) + thumbnail;
}

QByteArray CameraTiff(int orientation, bool bigEndian, int ifd1Orientation)
{
    TiffLayout t;
    t.Ifd0 = { TiffEntry::Ascii(0x010F, "Maker"), TiffEntry::Ascii(0x0110, "Model X") };
    if (orientation)
        t.Ifd0.append(TiffEntry::Short(0x0112, uint32_t(orientation)));
    t.Ifd0.append(TiffEntry::Rational(0x011A, 72, 1));
    t.Exif = { TiffEntry::Rational(0x829A, 1, 250), TiffEntry::Ascii(0x9003, "2026:12:09 10:00:00") };
    if (ifd1Orientation)
        t.Ifd1 = { TiffEntry::Short(0x0112, uint32_t(ifd1Orientation)), TiffEntry::Long(0x0201, 0),
            TiffEntry::Long(0x0202, 0) };
    return BuildTiff(t, bigEndian);
}

QList<int> OrientationEntries(const QByteArray& file, bool big)
{
    const QByteArray prefix
        = big ? QByteArray("\x01\x12\x00\x03\x00\x00\x00\x01", 8) : QByteArray("\x12\x01\x03\x00\x01\x00\x00\x00", 8);
    QList<int> values;
    for (qsizetype at = file.indexOf(prefix); at >= 0 && at + 12 <= file.size(); at = file.indexOf(prefix, at + 1)) {
        const uchar* v = reinterpret_cast<const uchar*>(file.constData() + at + 8);
        // A left-justified single value: the two bytes after it are zero.
        values.append(v[2] == 0 && v[3] == 0 ? (big ? (v[0] << 8 | v[1]) : (v[0] | v[1] << 8)) : -1);
    }
    return values;
}

} // namespace tarvix
