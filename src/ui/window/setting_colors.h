#pragma once

#include <QColor>
#include <QtGlobal>

namespace tarvix {

// Colours as the settings keep them: 0x00BBGGRR, red in the lowest byte.
inline QColor ColorOfSetting(qint32 value)
{
    const auto v = static_cast<quint32>(value);
    return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}

inline qint32 SettingOfColor(const QColor& color)
{
    return static_cast<qint32>(quint32(color.red()) | (quint32(color.green()) << 8) | (quint32(color.blue()) << 16));
}

} // namespace tarvix
