#pragma once

#include "engine/errors.h"
#include "engine/ini_file.h"
#include "engine/settings_keys.h"

#include <QList>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>

namespace tarvix {

class TLanguage;

// The store refused a write. Its message is English: the store knows no language, so a caller
// that has one passes its writes through WriteTranslatingErrors.
class SettingsWriteError : public TarvixError {
public:
    static constexpr char English[] = "Unable to write to %s";
    explicit SettingsWriteError(const QString& path);
    const QString& Path() const { return FPath; }

private:
    QString FPath;
};

// Runs `write`; a SettingsWriteError it raises comes out as a TarvixError in the language.
void WriteTranslatingErrors(const TLanguage& language, const std::function<void()>& write);

// The settings store. Both of its forms are INI files with the
// same keys (settings_keys.h):
// - portable run: the executable's path with its extension replaced by ".ini";
// - otherwise (the per-user form): $XDG_CONFIG_HOME/Dovrane/Tarvix.ini, by default
//   ~/.config/Dovrane/Tarvix.ini. "DisplayCropWarning" always lives here.

// True when the settings belong beside the executable. The environment variable
// TARVIX_PORTABLE set to "1" or "0" decides; otherwise (unset or any other value) whether
// the executable lies on a removable drive. Asked anew at each SettingsStore::Open.
bool IsPortableRun();

// The executable's path with the extension of its file name replaced by ".ini" ("tarvix"
// gives "tarvix.ini" in the same folder). Empty when the executable's path is unknown.
QString PortableSettingsPath();
// The same for a given executable path. The extension is the part of the file name from
// its last dot; a name whose only dot is its first character (".tarvix") has none.
QString PortableSettingsPathFor(const QString& executable);

// $XDG_CONFIG_HOME/Dovrane/Tarvix.ini, or ~/.config/Dovrane/Tarvix.ini when that variable is
// unset, empty or not an absolute path; the environment is read at each call.
QString PerUserSettingsPath();

// One opening of the store: the file is read once when the store is opened, and each write
// goes through to the file at once. A write reads the file anew, changes the one value and
// replaces the file atomically, so that keys another process wrote in between are kept; a
// write that changes no value leaves the file alone. Between BeginEdit and CommitEdit the
// writes collect instead, and go to the file in one replacement.
// There is no locking: the window that closes last wins. Reading never creates a file or folder;
// a missing file, section or key gives the caller's default. There is nothing to close.
class SettingsStore {
public:
    // The form chosen by IsPortableRun.
    static SettingsStore Open();
    // The per-user file, also in a portable run: only for "DisplayCropWarning".
    static SettingsStore OpenPerUser();
    // The given file (tests, and any caller that has chosen its file itself).
    static SettingsStore OpenFile(const QString& path);

    QString Path() const { return FPath; }

    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    // Signed 32-bit: decimal text or "0x" followed by hexadecimal digits, either after an
    // optional sign. Hexadecimal text up to 0xFFFFFFFF gives that 32-bit pattern (0xFFFFFFFF
    // is -1). Anything else, decimal text outside the 32-bit range included, gives the default.
    qint32 ReadInteger(const QString& section, const QString& key, qint32 defaultValue) const;
    // Read as an integer, true when it is not 0; text that is no integer gives the default.
    bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;
    bool ValueExists(const QString& section, const QString& key) const;

    // Each throws SettingsWriteError when the platform refuses the write (and when the
    // existing file cannot be read, which would lose its other keys).
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, qint32 value); // signed decimal
    void WriteBool(const QString& section, const QString& key, bool value); // "1" or "0"

    // Short forms for the keys of settings_keys.h, in section "Main" with the table's default.
    QString Read(const StringSetting& setting) const;
    bool Read(const BoolSetting& setting) const;
    qint32 Read(const IntegerSetting& setting) const;
    void Write(const StringSetting& setting, const QString& value);
    void Write(const BoolSetting& setting, bool value);
    void Write(const IntegerSetting& setting, qint32 value);

    // Writes from here on are kept until CommitEdit.
    void BeginEdit();
    // Reads the file as it is now, applies the kept writes, and replaces the file once, or
    // not at all when they change no value. Throws as the writes do.
    void CommitEdit();

private:
    struct Change {
        QString Section;
        QString Key;
        QString Value;
    };

    explicit SettingsStore(const QString& path);
    void WriteValue(const QString& section, const QString& key, const QString& value);
    void Apply(const QList<Change>& changes);

    QString FPath;
    IniFile FFile; // as read at opening, then as last written
    std::optional<QList<Change>> FEdit; // the writes kept since BeginEdit
};

// The integer that INI text stands for under the rules of SettingsStore::ReadInteger;
// nothing when it stands for none.
std::optional<qint32> ParseSettingsInteger(QStringView text);

} // namespace tarvix
