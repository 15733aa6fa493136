#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace tarvix {

// The small INI dialect shared by the settings file and the language files:
// UTF-8 with an optional byte-order mark; every line trimmed of characters with codes of
// 32 or less; ';' starts a comment line; "[name]" opens a section; "name=value" is an
// entry (split at the first '='). Section and entry names match without regard to letter
// case, and the first section and the first entry of a name win.
//
// QSettings is not used: it escapes values, caches writes and merges duplicate sections.
class IniFile {
public:
    // A missing or unreadable file reads as an empty one.
    static IniFile Load(const QString& path);
    static IniFile Parse(const QByteArray& bytes);

    bool HasSection(const QString& section) const;
    std::optional<QString> Value(const QString& section, const QString& key) const;

    // Sets the first entry of that name, or adds it at the end of the section (adding the
    // section at the end of the file when it is missing). Other lines stay as they are.
    void SetValue(const QString& section, const QString& key, const QString& value);

    // Replaces the file atomically; false when the platform refuses, with its reason.
    bool Save(const QString& path, QString* error = nullptr) const;

    QByteArray ToBytes() const;

private:
    struct Line {
        QString Text; // as read, untrimmed
        enum Kind { Other, Section, Entry } LineKind = Other;
        QString Name; // trimmed section or entry name
        QString EntryValue; // trimmed value of an entry
    };
    static Line Classify(const QString& text);
    int SectionStart(const QString& section) const; // index of its header line, or -1
    int SectionEnd(int start) const; // index after the section's last line

    QList<Line> FLines;
};

// Trims the characters with codes of 32 or less from both ends.
QString TrimControl(QStringView text);

} // namespace tarvix
