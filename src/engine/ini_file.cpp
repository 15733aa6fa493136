#include "engine/ini_file.h"

#include "engine/letter_case.h"
#include "engine/log_categories.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace tarvix {

QString TrimControl(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    return text.mid(begin, end - begin).toString();
}

IniFile IniFile::Load(const QString& path)
{
    QFile file(path);
    if (path.isEmpty())
        return {};
    // A missing file is the defaults; one that is there but cannot be read gives them too, and
    // the user's choices seem lost, so a maintainer should hear why.
    if (!file.open(QIODevice::ReadOnly)) {
        if (file.exists())
            qCWarning(SettingsLog, "settings file %s unreadable: %s", qUtf8Printable(path),
                qUtf8Printable(file.errorString()));
        return {};
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        qCWarning(
            SettingsLog, "settings file %s unreadable: %s", qUtf8Printable(path), qUtf8Printable(file.errorString()));
    return Parse(bytes);
}

IniFile IniFile::Parse(const QByteArray& bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    // Text written by an editor in a legacy 8-bit encoding is taken as Latin-1 rather than
    // filled with replacement characters, which a later write would store for good.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(view);
    if (utf8.hasError())
        text = QString::fromLatin1(view);

    IniFile ini;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\n' && text[end] != u'\r')
            ++end;
        ini.FLines.append(Classify(text.mid(start, end - start)));
        if (end < text.size() && text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n')
            ++end;
        start = end + 1;
    }
    return ini;
}

IniFile::Line IniFile::Classify(const QString& text)
{
    Line line;
    line.Text = text;
    const QString trimmed = TrimControl(text);
    if (trimmed.isEmpty() || trimmed.startsWith(u';'))
        return line;
    if (trimmed.startsWith(u'[') && trimmed.endsWith(u']') && trimmed.size() >= 2) {
        line.LineKind = Line::Section;
        line.Name = TrimControl(QStringView(trimmed).mid(1, trimmed.size() - 2));
        return line;
    }
    const qsizetype eq = trimmed.indexOf(u'=');
    if (eq >= 0) {
        line.LineKind = Line::Entry;
        line.Name = TrimControl(QStringView(trimmed).left(eq));
        line.EntryValue = TrimControl(QStringView(trimmed).mid(eq + 1));
    }
    return line;
}

int IniFile::SectionStart(const QString& section) const
{
    for (int i = 0; i < FLines.size(); ++i)
        if (FLines[i].LineKind == Line::Section && EqualsFoldingCase(FLines[i].Name, section))
            return i;
    return -1;
}

int IniFile::SectionEnd(int start) const
{
    int i = start + 1;
    while (i < FLines.size() && FLines[i].LineKind != Line::Section)
        ++i;
    return i;
}

bool IniFile::HasSection(const QString& section) const
{
    return SectionStart(section) >= 0;
}

std::optional<QString> IniFile::Value(const QString& section, const QString& key) const
{
    const int start = SectionStart(section);
    if (start < 0)
        return std::nullopt;
    const QString name = TrimControl(key);
    for (int i = start + 1, end = SectionEnd(start); i < end; ++i)
        if (FLines[i].LineKind == Line::Entry && EqualsFoldingCase(FLines[i].Name, name))
            return FLines[i].EntryValue;
    return std::nullopt;
}

void IniFile::SetValue(const QString& section, const QString& key, const QString& value)
{
    // A value lives on one line: line breaks inside it would cut the file apart.
    QString flat = value;
    flat.replace(u'\r', u' ').replace(u'\n', u' ');
    const Line entry = Classify(TrimControl(key) + u'=' + flat);

    int start = SectionStart(section);
    if (start < 0) {
        if (!FLines.isEmpty() && !TrimControl(FLines.last().Text).isEmpty())
            FLines.append(Classify(QString()));
        FLines.append(Classify(u'[' + section + u']'));
        FLines.append(entry);
        return;
    }
    const int end = SectionEnd(start);
    int insertAt = start + 1;
    for (int i = start + 1; i < end; ++i) {
        if (FLines[i].LineKind != Line::Entry)
            continue;
        if (EqualsFoldingCase(FLines[i].Name, entry.Name)) {
            FLines[i] = entry;
            return;
        }
        insertAt = i + 1;
    }
    FLines.insert(insertAt, entry);
}

QByteArray IniFile::ToBytes() const
{
    QByteArray bytes;
    for (const Line& line : FLines) {
        bytes += line.Text.toUtf8();
        bytes += '\n';
    }
    return bytes;
}

bool IniFile::Save(const QString& path, QString* error) const
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path); // temporary file, then rename over the old one
    const QByteArray bytes = ToBytes();
    // The bytes wait in a buffer until flushed, and commit() renames the file over the old one
    // even when that last write fails (a full disk): flush first and look at the answer.
    const bool ok
        = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush() && file.commit();
    if (!ok && error)
        *error = file.errorString();
    return ok;
}

} // namespace tarvix
