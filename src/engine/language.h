#pragma once

#include <QMetaProperty>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>

namespace tarvix {

class TLanguage;

// Called for each translation just before it is applied; the callback may change the text
// that is applied (an empty result is applied as it is).
using TLanguageNotifyEvent = std::function<void(
    TLanguage* sender, QObject* component, const QString& propertyName, const QString& oldValue, QString& newValue)>;

// The language engine. A language file is a UTF-8 INI file (engine/ini_file.h) with two
// sections:
//
// [Translations]  keys "Window.Component.Property" (or "Window.Property"), each segment
//                 matched without regard to letter case; the values are set on the named
//                 properties of the named components by Translate(), for the keys listed
//                 in Properties().
// [Messages]      keys are the program's English texts, values their translations;
//                 TranslateUserMessage() looks them up.
//
// An empty or missing file, or a missing section or entry, leaves everything in English.
// Nothing is cached: every Translate() and every TranslateUserMessage() reads the file
// anew, so an edited file takes effect at once.
class TLanguage : public QObject {
    Q_OBJECT

public:
    explicit TLanguage(QObject* owner = nullptr);

    QString LanguageFile() const { return FLanguageFile; }
    void SetLanguageFile(const QString& path) { FLanguageFile = path; }

    // The translation keys Translate() applies, in order, one per line.
    QStringList& Properties() { return FProperties; }
    const QStringList& Properties() const { return FProperties; }
    void SetProperties(const QStringList& lines) { FProperties = lines; }

    // Cuts a translation applied to a string-list property into lines. Empty after
    // construction (the whole text is one line); a value that is empty after trimming
    // stores ",", any other value is stored unchanged.
    QString Separator() const { return FSeparator; }
    void SetSeparator(const QString& separator);

    TLanguageNotifyEvent OnTranslate;
    void SetOnTranslate(TLanguageNotifyEvent handler) { OnTranslate = std::move(handler); }

    // Applies every key of Properties() from the section "Translations". The first segment
    // of a key names a top-level component (the owner of this engine when it bears that
    // name, else the first of that name). Keys whose window, component or property does
    // not exist, and empty translations, change nothing. A text that is no integer, for an
    // integer property, throws TarvixError and ends the run at that key.
    void Translate();

    // The translation of sMessage from the section "Messages", or sMessage itself when the
    // file, the section or the entry is missing. An entry with an empty value gives "".
    QString TranslateUserMessage(const QString& sMessage) const;

    static bool StringProperty(const QMetaProperty& property);
    static bool IntegerProperty(const QMetaProperty& property);

private:
    QObject* FindWindow(QStringView name) const;
    void Apply(const QString& key, const QString& translation);
    QStringList SplitLines(const QString& text) const;

    QString FLanguageFile;
    QStringList FProperties;
    QString FSeparator;
};

} // namespace tarvix
