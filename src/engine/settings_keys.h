#pragma once

#include "engine/errors.h"

#include <QString>
#include <QtGlobal>

namespace tarvix {

// The keys of the settings store, all in section "Main", each with the
// default that a read of it supplies. Read and write them through SettingsStore, e.g.
//     store.ReadBool(SettingsKeys::Section, SettingsKeys::KeepTimestamp.Key, SettingsKeys::KeepTimestamp.Default)
// or the short form store.Read(SettingsKeys::KeepTimestamp).

struct StringSetting {
    const char* Key;
    const char* Default;
};

struct BoolSetting {
    const char* Key;
    bool Default;
};

struct IntegerSetting {
    const char* Key;
    qint32 Default;
};

namespace SettingsKeys {

inline constexpr char Section[] = "Main";

// Path of the language file; in a portable run "lang/" followed by the file name only.
inline constexpr StringSetting Language { "Language", "" };
inline constexpr BoolSetting RebuildWhenResized { "RebuildWhenResized", true };
inline constexpr BoolSetting KeepTimestamp { "KeepTimestamp", true };
inline constexpr BoolSetting EnlargeSmall { "EnlargeSmall", true };
inline constexpr BoolSetting ConfirmDelete { "ConfirmDelete", true };
inline constexpr BoolSetting LookInSubfolders { "LookInSubfolders", false };
// Read it through ThumbsInRowFromStored below: a stored value outside 1..20 reads as 3.
inline constexpr IntegerSetting ThumbsInRow { "ThumbsInRow", 5 };
inline constexpr BoolSetting HighQuality { "HighQuality", true };
// Written only when the path box names an existing folder.
inline constexpr StringSetting LastFolder { "LastFolder", "" };
inline constexpr BoolSetting MakeBackup { "MakeBackup", false };
inline constexpr BoolSetting WinMax { "WinMax", false };
inline constexpr IntegerSetting WinWidth { "WinWidth", 800 };
inline constexpr IntegerSetting WinHeight { "WinHeight", 600 };
// The defaults of these two depend on the screen: CenteredWinTop and CenteredWinLeft.
inline constexpr char WinTop[] = "WinTop";
inline constexpr char WinLeft[] = "WinLeft";
// Colours as 0x00BBGGRR: red in the lowest byte.
inline constexpr IntegerSetting BackColor { "BackColor", 0xFFFFFF };
inline constexpr IntegerSetting ForeColor { "ForeColor", 0 };
// Favourites: MruKey(0) to MruKey(MruCount - 1); an absent value adds nothing.
inline constexpr int MruCount = 10;
inline constexpr BoolSetting ShowTree { "ShowTree", false };
// Its default is the tree's current width (DesignedTreeWidth as designed), known only to
// the caller.
inline constexpr char TreeWidth[] = "TreeWidth";
inline constexpr int DesignedTreeWidth = 148;
// Always in the per-user store (SettingsStore::OpenPerUser), also in a portable run.
inline constexpr BoolSetting DisplayCropWarning { "DisplayCropWarning", true };
// The size limit of the private thumbnail cache in megabytes; 0 turns the cache off. Read it
// through ThumbnailCacheMBFromStored: a negative value reads as the default.
inline constexpr IntegerSetting ThumbnailCacheMB { "ThumbnailCacheMB", 256 };
constexpr qint32 ThumbnailCacheMBFromStored(qint32 value)
{
    return value < 0 ? ThumbnailCacheMB.Default : value;
}
// The size limit of the copies kept to undo turns, in megabytes; 0 turns undo off. Read it
// through UndoCacheBytesFromStored: a negative value reads as the default.
inline constexpr IntegerSetting UndoCacheMB { "UndoCacheMB", 1024 };
constexpr qint64 UndoCacheBytesFromStored(qint32 value)
{
    return qint64(value < 0 ? UndoCacheMB.Default : value) * 1024 * 1024;
}

// "MRU0" to "MRU9".
inline QString MruKey(int index)
{
    if (index < 0 || index >= MruCount)
        throw AssertionFailure("MruKey: index outside 0..9");
    return QStringLiteral("MRU") + QString::number(index);
}

// The column count that a "ThumbsInRow" value read with its default 5 gives: a value from
// 1 to 20 is used, any other becomes 3.
inline constexpr int ThumbsInRowMin = 1;
inline constexpr int ThumbsInRowMax = 20;
inline constexpr int ThumbsInRowOutOfRange = 3;
constexpr int ThumbsInRowFromStored(qint32 value)
{
    return value >= ThumbsInRowMin && value <= ThumbsInRowMax ? value : ThumbsInRowOutOfRange;
}

// Default of "WinTop": screen height div 2 - window height div 2, where the window height
// is the one just read from "WinHeight". Each division truncates toward zero.
constexpr int CenteredWinTop(int screenHeight, int windowHeight)
{
    return screenHeight / 2 - windowHeight / 2;
}

// Default of "WinLeft": screen width div 2 - window width div 2 ("WinWidth" just read).
constexpr int CenteredWinLeft(int screenWidth, int windowWidth)
{
    return screenWidth / 2 - windowWidth / 2;
}

} // namespace SettingsKeys

} // namespace tarvix
