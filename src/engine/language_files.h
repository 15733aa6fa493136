#pragma once

#include <QString>
#include <QStringList>

namespace tarvix {

// The folder of the language files: "lang" beside the executable, or, for an installed program
// whose executable has no such folder, share/tarvix/lang under its prefix.
QString LanguageFolder();

// The language file a setting names. A relative path, as a portable run stores it
// ("lang/Deutsch.lng"), belongs to the program: it is found beside the program, or in its
// language folder, never in whatever folder the program was started from.
QString StoredLanguageFile(const QString& stored);

// The full paths of the folder's *.lng files, hidden ones included, sorted by the names the
// language menu shows. A missing folder has none.
QStringList ListLanguageFiles(const QString& folder);

// What the language menu shows for a file: its name without the last extension, with a first
// letter a to z made upper case ("english.lng" gives "English", "pt.br.lng" gives "Pt.br").
QString LanguageCaption(const QString& path);

} // namespace tarvix
