#include "menu_table.h"

#include "engine/errors.h"
#include "engine/ini_file.h"
#include "engine/language_files.h"

namespace tarvix {

namespace {

QString Required(const IniFile& table, const QString& section, const QString& key)
{
    const QString value = table.Value(section, key).value_or(QString());
    if (value.isEmpty())
        throw TarvixError(QStringLiteral("the menu table has no %1 in [%2]").arg(key, section));
    return value;
}

// The caption of `command` in one language: the table's own text, else the language
// file's text of the command's key; empty when neither has one.
QString CaptionIn(const IniFile& table, const QString& command, const QString& language, const IniFile& texts)
{
    const QString own = table.Value(command, language).value_or(QString());
    if (!own.isEmpty())
        return own;
    const QString key = table.Value(command, QStringLiteral("key")).value_or(QString());
    if (key.isEmpty())
        return QString();
    return WithoutMnemonic(texts.Value(QStringLiteral("Translations"), key).value_or(QString()));
}

} // namespace

QString WithoutMnemonic(const QString& caption)
{
    QString text;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size() && caption[i + 1] == u'&')
            text += caption[++i];
        else if (caption[i] != u'&')
            text += caption[i];
    }
    return text;
}

QString ShellLoop(const QString& switchName)
{
    return QStringLiteral("for f in \"$@\"; do tarvix %1 \"$f\"; done").arg(switchName);
}

QString MenuCommandLine(const QString& switchName, const QString& filesMacro)
{
    // Single quotes keep the loop one argument, literally, for every reader of these lines:
    // a shell, GLib's and KDE's command-line splitters. A desktop entry's double quotes
    // would need backslashes that the readers do not all take the same way.
    const QString loop = ShellLoop(switchName);
    if (loop.contains(u'\'') || loop.contains(u'\\'))
        throw TarvixError(QStringLiteral("the switch %1 cannot stand in a menu's command line").arg(switchName));
    return QStringLiteral("sh -c '%1' tarvix %2").arg(loop, filesMacro);
}

MenuTable LoadMenuTable(const QString& tablePath, const QString& languageFolder)
{
    const IniFile table = IniFile::Load(tablePath);
    if (!table.HasSection(QStringLiteral("Menus")))
        throw TarvixError(QStringLiteral("%1 is no menu table").arg(tablePath));

    struct Language {
        QString Name;
        QStringList Codes;
        IniFile Texts;
    };
    MenuTable result;
    QList<Language> languages;
    std::optional<IniFile> english;
    for (const QString& path : ListLanguageFiles(languageFolder)) {
        const QString name = LanguageCaption(path);
        const std::optional<QString> codes = table.Value(QStringLiteral("Languages"), name);
        if (name.compare(QLatin1String("English"), Qt::CaseInsensitive) == 0)
            english = IniFile::Load(path);
        else if (!codes || codes->isEmpty())
            result.Warnings.append(
                QStringLiteral("the menu table has no locale code for %1: its menus stay English").arg(path));
        else
            languages.append({ name, codes->split(u' ', Qt::SkipEmptyParts), IniFile::Load(path) });
    }
    if (!english)
        throw TarvixError(QStringLiteral("%1 has no English.lng").arg(languageFolder));

    for (const bool folders : { false, true }) {
        const QString list = Required(table, QStringLiteral("Menus"), folders ? "folders" : "files");
        for (const QString& name : list.split(u' ', Qt::SkipEmptyParts)) {
            MenuCommand command;
            command.Name = name;
            command.ForFolders = folders;
            command.Switch = Required(table, name, QStringLiteral("switch"));
            command.Icon = Required(table, name, QStringLiteral("icon"));
            command.Comment = Required(table, name, QStringLiteral("comment"));
            command.Caption = CaptionIn(table, name, QStringLiteral("English"), *english);
            if (command.Caption.isEmpty())
                throw TarvixError(QStringLiteral("the menu command %1 has no English caption").arg(name));
            for (const Language& language : languages) {
                const QString caption = CaptionIn(table, name, language.Name, language.Texts);
                if (caption.isEmpty()) {
                    result.Warnings.append(QStringLiteral("%1 has no caption for %2").arg(language.Name, name));
                    continue;
                }
                for (const QString& code : language.Codes)
                    command.Translations.append({ code, caption });
            }
            result.Commands.append(command);
        }
    }
    return result;
}

} // namespace tarvix
