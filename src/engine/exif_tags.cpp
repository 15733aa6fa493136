#include "engine/exif_tags.h"

#include "engine/exif_format.h"

#include <QtEndian>
#include <algorithm>
#include <optional>
#include <span>

namespace tarvix {

namespace {

struct Name {
    quint16 Value;
    const char* Text;
};

using Names = std::span<const Name>;

constexpr Name Thresholding[] = {
    { 0, "Unknown" },
    { 1, "No dithering or halftoning" },
    { 2, "Ordered dither or halftone" },
    { 3, "Randomized dither" },
};

constexpr Name Orientation[] = {
    { 1, "Top/left-hand side (Normal)" },
    { 2, "Top/right-hand side (Mirror horizontal)" },
    { 3, "Bottom/right-hand side (Rotate 180)" },
    { 4, "Bottom/left-hand side(Mirror vertical)" },
    { 5, "Left-hand side/top (Mirror horizontal and rotate 90 CCW)" },
    { 6, "Right-hand side/top (Rotate 90 CW)" },
    { 7, "Right-hand side/bottom (Mirror horizontal and rotate 90 CW)" },
    { 8, "Left-hand side/bottom (Rotate 90 CCW)" },
};

constexpr Name ResolutionUnit[] = {
    { 0, "Unknown" },
    { 1, "No-unit" },
    { 2, "inches" },
    { 3, "cm" },
};

constexpr Name ExposureProgram[] = {
    { 0, "Not defined" },
    { 1, "Manual control" },
    { 2, "Program normal" },
    { 3, "Aperture priority" },
    { 4, "Shutter speed priority" },
    { 5, "Creative (Slow speed)" },
    { 6, "Action (High speed)" },
    { 7, "Portrait mode (background out of focus)" },
    { 8, "Landscape mode (background in focus)" },
};

constexpr Name MeteringMode[] = {
    { 0, "Unknown" },
    { 1, "Average" },
    { 2, "Center weighted average" },
    { 3, "Spot" },
    { 4, "Multi-spot" },
    { 5, "Multi-segment" },
    { 6, "Partial" },
    { 255, "Other" },
};

constexpr Name LightSource[] = {
    { 0, "Unknown" },
    { 1, "Daylight" },
    { 2, "Fluorescent" },
    { 3, "Tungsten (incandescent light)" },
    { 4, "Flash" },
    { 9, "Fine weather" },
    { 10, "Cloudy" },
    { 11, "Shade" },
    { 12, "Daylight fluorescent (D 5700 - 7100K)" },
    { 13, "Day white fluorescent (N 4600 - 5400K)" },
    { 14, "Cool white fluorescent (W 3900 - 4500K)" },
    { 15, "White fluorescent (WW 3200 - 3700K)" },
    { 17, "Standard light A" },
    { 18, "Standard light B" },
    { 19, "Standard light C" },
    { 20, "D55" },
    { 21, "D65" },
    { 22, "D75" },
    { 23, "D50" },
    { 24, "ISO studio tungsten" },
    { 255, "Other light source" },
};

// The whole 16-bit field, not its bits one by one: these are the combinations cameras write.
constexpr Name Flash[] = {
    { 0x00, "Flash did not fire" },
    { 0x01, "Flash fired" },
    { 0x05, "Strobe return light not detected" },
    { 0x07, "Strobe return light detected" },
    { 0x09, "Flash fired, compulsory flash mode" },
    { 0x0D, "Flash fired, compulsory flash mode, return light not detected" },
    { 0x0F, "Flash fired, compulsory flash mode, return light detected" },
    { 0x10, "Flash did not fire, compulsory flash mode" },
    { 0x18, "Flash did not fire, auto mode" },
    { 0x19, "Flash fired, auto mode" },
    { 0x1D, "Flash fired, auto mode, return light not detected" },
    { 0x1F, "Flash fired, auto mode, return light detected" },
    { 0x20, "No flash function" },
    { 0x41, "Flash fired, red-eye reduction mode" },
    { 0x45, "Flash fired, red-eye reduction mode, return light not detected" },
    { 0x47, "Flash fired, red-eye reduction mode, return light detected" },
    { 0x49, "Flash fired, compulsory flash mode, red-eye reduction mode" },
    { 0x4D, "Flash fired, compulsory flash mode, red-eye reduction mode, return light not detected" },
    { 0x4F, "Flash fired, compulsory flash mode, red-eye reduction mode, return light detected" },
    { 0x59, "Flash fired, auto mode, red-eye reduction mode" },
    { 0x5D, "Flash fired, auto mode, return light not detected, red-eye reduction mode" },
    { 0x5F, "Flash fired, auto mode, return light detected, red-eye reduction mode" },
};

constexpr Name ExposureMode[] = {
    { 0, "Auto" },
    { 1, "Manual" },
    { 2, "Auto bracket" },
};

constexpr Name WhiteBalance[] = {
    { 0, "Auto" },
    { 1, "Manual" },
};

constexpr Name SceneCaptureType[] = {
    { 0, "Standard" },
    { 1, "Landscape" },
    { 2, "Portrait" },
    { 3, "Night" },
};

constexpr Name GainControl[] = {
    { 0, "None" },
    { 1, "Low gain up" },
    { 2, "High gain up" },
    { 3, "Low gain down" },
    { 4, "High gain down" },
};

constexpr Name ContrastOrSharpness[] = {
    { 0, "Normal" },
    { 1, "Soft" },
    { 2, "Hard" },
};

constexpr Name Saturation[] = {
    { 0, "Normal" },
    { 1, "Low" },
    { 2, "High" },
};

constexpr Name SubjectDistanceRange[] = {
    { 0, "Unknown" },
    { 1, "Macro" },
    { 2, "Close view" },
    { 3, "Distant view" },
};

struct Tag {
    quint32 Id;
    const char* Label;
    Names Enumeration; // empty: the value is written by its type
};

// In ascending order of the tag, for the binary search. The labels are the viewer's own
// wording, which users compare with earlier screenshots; only its misspelling of "Exposure"
// is mended.
constexpr Tag Tags[] = {
    { 0x0100, "Image width", {} },
    { 0x0101, "Image height", {} },
    { 0x0107, "Thresholding", Thresholding },
    { 0x010F, "Digicam manufacturer", {} },
    { 0x0110, "Digicam model", {} },
    { 0x0112, "Orientation of the camera", Orientation },
    { 0x011A, "X-Resolution", {} },
    { 0x011B, "Y-Resolution", {} },
    { 0x0128, "Resolution unit", ResolutionUnit },
    { 0x0132, "Date/time (Modify)", {} },
    { 0x829A, "Exposure time (sec)", {} },
    { 0x829D, "F-number", {} },
    { 0x8822, "Exposure program", ExposureProgram },
    { 0x8827, "CCD sensitivity (ISO)", {} },
    { 0x9003, "Original date/time (when the original image data was generated)", {} },
    { 0x9004, "Digitized date/time (when the image was stored as digital data)", {} },
    { 0x9102, "Compression (bits per pixel)", {} },
    { 0x9201, "Shutter speed", {} },
    { 0x9202, "Aperture value", {} },
    { 0x9203, "Brightness value", {} },
    { 0x9204, "Exposure bias value (Exposure compensation)", {} },
    { 0x9205, "Max. lens aperture value (The smallest F number of the lens)", {} },
    { 0x9206, "Distance to focus point (m)", {} },
    { 0x9207, "Metering mode", MeteringMode },
    { 0x9208, "Light source", LightSource },
    { 0x9209, "Flash", Flash },
    { 0x920A, "Actual focal length (mm)", {} },
    { 0xA402, "Exposure mode", ExposureMode },
    { 0xA403, "White balance", WhiteBalance },
    { 0xA405, "Equivalent focal length for 35mm film cam (mm)", {} },
    { 0xA406, "Scene capture type", SceneCaptureType },
    { 0xA407, "Gain control", GainControl },
    { 0xA408, "Contrast", ContrastOrSharpness },
    { 0xA409, "Saturation", Saturation },
    { 0xA40A, "Sharpness", ContrastOrSharpness },
    { 0xA40C, "Distance to the subject", SubjectDistanceRange },
};
static_assert(std::size(Tags) == 36);

const Tag* FindTag(quint32 id)
{
    const auto* found = std::lower_bound(
        std::begin(Tags), std::end(Tags), id, [](const Tag& tag, quint32 key) { return tag.Id < key; });
    return found != std::end(Tags) && found->Id == id ? found : nullptr;
}

// The first 16-bit value of the bytes as the host holds them; nothing without a byte.
std::optional<quint16> FirstWord(const QByteArray& value, quint32 length)
{
    const qsizetype usable = std::min<qsizetype>(value.size(), length);
    if (usable >= 2)
        return qFromUnaligned<quint16>(value.constData());
    if (usable == 1)
        return quint8(value[0]);
    return std::nullopt;
}

} // namespace

QString ExifTagLabel(quint32 id)
{
    const Tag* tag = FindTag(id);
    return tag ? QString::fromLatin1(tag->Label) : QString();
}

QString ExifTagValue(const PropertyItem& item, const QLocale& locale)
{
    const Tag* tag = FindTag(item.id);
    if (tag && !tag->Enumeration.empty()) {
        if (const std::optional<quint16> word = FirstWord(item.value, item.length)) {
            for (const Name& name : tag->Enumeration)
                if (name.Value == *word)
                    return QString::fromLatin1(name.Text);
        }
    }
    return FormatExifValue(item, locale);
}

QList<ExifRow> ExifRows(const QList<PropertyItem>& items, const QLocale& locale)
{
    QList<ExifRow> rows;
    for (const PropertyItem& item : items) {
        const QString label = ExifTagLabel(item.id);
        if (!label.isEmpty())
            rows.append({ label, ExifTagValue(item, locale) });
    }
    return rows;
}

} // namespace tarvix
