#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace tarvix {

// One command of the file managers' context menus, as packaging/menus/menu_commands.ini
// describes it, with its captions resolved from the language files.
struct MenuCommand {
    QString Name; // the table's section: "rotate-left"
    QString Switch; // "-l"
    QString Icon;
    QString Comment; // English
    bool ForFolders = false;
    QString Caption; // English
    // Locale code ("de", "pt_BR") and caption, in the order of the language files; a
    // language without a caption of its own is left out, so the menu shows it in English.
    QList<QPair<QString, QString>> Translations;
};

struct MenuTable {
    QList<MenuCommand> Commands;
    QStringList Warnings; // what a translator should know: a language the table lacks
};

// Reads the table and the language files of `languageFolder` (*.lng). Throws TarvixError
// for a table that names a command it does not describe or leaves one without an English
// caption.
MenuTable LoadMenuTable(const QString& tablePath, const QString& languageFolder);

// A window caption as a menu shows it: "&" marks no letter here, "&&" is one "&".
QString WithoutMnemonic(const QString& caption);

// The shell command line that runs tarvix with `switchName` once for each path it is given,
// one after another: sh -c 'for f in "$@"; do tarvix -r "$f"; done' tarvix FILES... (the
// loop itself is ShellLoop()), with `filesMacro` for the files.
QString ShellLoop(const QString& switchName);
QString MenuCommandLine(const QString& switchName, const QString& filesMacro);

} // namespace tarvix
