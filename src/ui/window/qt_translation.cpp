#include "ui/window/qt_translation.h"

#include "engine/language_files.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace tarvix {

std::optional<QLocale::Language> LanguageOfFile(const QString& path)
{
    const QString name = LanguageCaption(path);
    if (name.isEmpty())
        return std::nullopt;
    for (const QLocale& locale :
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory))
        if (locale.nativeLanguageName().compare(name, Qt::CaseInsensitive) == 0)
            return locale.language();
    return std::nullopt;
}

void UseQtTranslationFor(const QString& languageFile)
{
    static QTranslator* installed = nullptr;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
        installed = nullptr;
    }
    const std::optional<QLocale::Language> language = LanguageOfFile(languageFile);
    if (!language || *language == QLocale::English)
        return;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QLocale(*language), QStringLiteral("qtbase"), QStringLiteral("_"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return;
    QCoreApplication::installTranslator(translator.get());
    installed = translator.release();
}

} // namespace tarvix
