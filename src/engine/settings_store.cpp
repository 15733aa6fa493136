#include "engine/settings_store.h"

#include "base/file_name.h"
#include "engine/errors.h"
#include "engine/message_format.h"
#include "platform/executable_path.h"
#include "platform/removable_drive.h"
#include "platform/xdg_folders.h"

#include <QDir>
#include <QFile>

namespace tarvix {

SettingsWriteError::SettingsWriteError(const QString& path)
    : TarvixError(QString::fromLatin1(English).replace(QLatin1String("%s"), path))
    , FPath(path)
{
}

void WriteTranslatingErrors(const TLanguage& language, const std::function<void()>& write)
{
    try {
        write();
    } catch (const SettingsWriteError& error) {
        throw TarvixError(TranslateMessage(language, SettingsWriteError::English, { MessageArg(error.Path()) }));
    }
}

bool IsPortableRun()
{
    const QByteArray forced = qgetenv("TARVIX_PORTABLE");
    if (forced == "1")
        return true;
    if (forced == "0")
        return false;
    return IsOnRemovableDrive(ExecutablePath());
}

QString PortableSettingsPath()
{
    return PortableSettingsPathFor(ExecutablePath());
}

QString PortableSettingsPathFor(const QString& executable)
{
    if (executable.isEmpty())
        return {};
    // A name that only starts with a dot (a hidden program) keeps it: replacing that
    // "extension" would leave a file called ".ini".
    const size_t dot = ExtensionStart(QStringView(executable));
    const bool hiddenName = dot != std::string_view::npos && (dot == 0 || executable[qsizetype(dot) - 1] == u'/');
    const QString base = dot == std::string_view::npos || hiddenName ? executable : executable.left(qsizetype(dot));
    return base + QStringLiteral(".ini");
}

QString PerUserSettingsPath()
{
    return QDir::cleanPath(XdgConfigHome() + QStringLiteral("/Dovrane/Tarvix.ini"));
}

std::optional<qint32> ParseSettingsInteger(QStringView text)
{
    qsizetype i = 0;
    const qsizetype size = text.size();
    bool negative = false;
    if (i < size && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    const bool hex = i + 1 < size && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X');
    if (hex)
        i += 2;
    if (i == size)
        return std::nullopt; // no digits

    // The magnitude never grows past its limit + 1 digit's worth, so it cannot overflow.
    const quint64 limit = hex ? 0xFFFFFFFFull : negative ? 0x80000000ull : 0x7FFFFFFFull;
    const quint64 base = hex ? 16 : 10;
    quint64 magnitude = 0;
    for (; i < size; ++i) {
        const char16_t c = text[i].unicode();
        quint64 digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (hex && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (hex && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            return std::nullopt;
        magnitude = magnitude * base + digit;
        if (magnitude > limit)
            return std::nullopt;
    }
    // Unsigned arithmetic wraps by definition; the conversion to qint32 is modular (C++20).
    quint32 bits = quint32(magnitude);
    if (negative)
        bits = 0u - bits;
    return qint32(bits);
}

SettingsStore::SettingsStore(const QString& path)
    : FPath(path)
    , FFile(IniFile::Load(path))
{
}

SettingsStore SettingsStore::Open()
{
    return SettingsStore(IsPortableRun() ? PortableSettingsPath() : PerUserSettingsPath());
}

SettingsStore SettingsStore::OpenPerUser()
{
    return SettingsStore(PerUserSettingsPath());
}

SettingsStore SettingsStore::OpenFile(const QString& path)
{
    return SettingsStore(path);
}

QString SettingsStore::ReadString(const QString& section, const QString& key, const QString& defaultValue) const
{
    return FFile.Value(section, key).value_or(defaultValue);
}

qint32 SettingsStore::ReadInteger(const QString& section, const QString& key, qint32 defaultValue) const
{
    const std::optional<QString> text = FFile.Value(section, key);
    if (!text)
        return defaultValue;
    return ParseSettingsInteger(*text).value_or(defaultValue);
}

bool SettingsStore::ReadBool(const QString& section, const QString& key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool SettingsStore::ValueExists(const QString& section, const QString& key) const
{
    return FFile.Value(section, key).has_value();
}

void SettingsStore::WriteString(const QString& section, const QString& key, const QString& value)
{
    WriteValue(section, key, value);
}

void SettingsStore::WriteInteger(const QString& section, const QString& key, qint32 value)
{
    WriteValue(section, key, QString::number(value));
}

void SettingsStore::WriteBool(const QString& section, const QString& key, bool value)
{
    WriteValue(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void SettingsStore::WriteValue(const QString& section, const QString& key, const QString& value)
{
    if (FEdit) {
        FEdit->append({ section, key, value });
        FFile.SetValue(section, key, value);
        return;
    }
    Apply({ { section, key, value } });
}

void SettingsStore::BeginEdit()
{
    if (!FEdit)
        FEdit.emplace();
}

void SettingsStore::CommitEdit()
{
    if (!FEdit)
        return;
    const QList<Change> changes = std::move(*FEdit);
    FEdit.reset();
    Apply(changes);
}

void SettingsStore::Apply(const QList<Change>& changes)
{
    // The file as it is now, with what other processes wrote since the opening. A file that
    // exists but cannot be read must not be replaced by one holding these keys alone.
    IniFile current;
    QFile file(FPath);
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            throw SettingsWriteError(FPath);
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            throw SettingsWriteError(FPath);
        current = IniFile::Parse(bytes);
    }
    // A save is a flushed replacement: slow on a memory stick, and pointless when every value
    // is as stored.
    bool changed = false;
    for (const Change& change : changes) {
        if (current.Value(change.Section, change.Key) == change.Value)
            continue;
        current.SetValue(change.Section, change.Key, change.Value);
        changed = true;
    }
    if (changed && !current.Save(FPath))
        throw SettingsWriteError(FPath);
    FFile = current;
}

QString SettingsStore::Read(const StringSetting& setting) const
{
    return ReadString(SettingsKeys::Section, setting.Key, setting.Default);
}

bool SettingsStore::Read(const BoolSetting& setting) const
{
    return ReadBool(SettingsKeys::Section, setting.Key, setting.Default);
}

qint32 SettingsStore::Read(const IntegerSetting& setting) const
{
    return ReadInteger(SettingsKeys::Section, setting.Key, setting.Default);
}

void SettingsStore::Write(const StringSetting& setting, const QString& value)
{
    WriteString(SettingsKeys::Section, setting.Key, value);
}

void SettingsStore::Write(const BoolSetting& setting, bool value)
{
    WriteBool(SettingsKeys::Section, setting.Key, value);
}

void SettingsStore::Write(const IntegerSetting& setting, qint32 value)
{
    WriteInteger(SettingsKeys::Section, setting.Key, value);
}

} // namespace tarvix
