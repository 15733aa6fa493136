#pragma once

#include <QLocale>
#include <QString>
#include <optional>

namespace tarvix {

// The language a language file is written in, from its name: files are named after their
// language in that language ("Deutsch.lng", "Français.lng"). Nothing for a name no language
// calls itself.
std::optional<QLocale::Language> LanguageOfFile(const QString& path);

// Puts Qt's own texts (the buttons Yes, No, OK and Cancel of the message boxes, the folder
// dialog) into the language of the file, where Qt's translations are installed; English
// otherwise. Replaces the translation of an earlier call.
void UseQtTranslationFor(const QString& languageFile);

} // namespace tarvix
