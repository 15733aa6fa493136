#include "engine/language.h"

#include "engine/component_tree.h"
#include "engine/errors.h"
#include "engine/ini_file.h"
#include "engine/letter_case.h"

#include <QFileInfo>
#include <QPointer>
#include <QVariant>
#include <limits>
#include <optional>

namespace tarvix {

namespace {

const QString TranslationsSection = QStringLiteral("Translations");
const QString MessagesSection = QStringLiteral("Messages");

// Only a regular file is read: a language setting that names a folder, a pipe or a device
// reads as a missing file instead of blocking or failing.
IniFile LoadLanguageFile(const QString& path)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return {};
    return IniFile::Load(path);
}

int DigitValue(QChar c, int base)
{
    const char16_t u = c.unicode();
    int value = 99;
    if (u >= u'0' && u <= u'9')
        value = u - u'0';
    else if (u >= u'a' && u <= u'f')
        value = u - u'a' + 10;
    else if (u >= u'A' && u <= u'F')
        value = u - u'A' + 10;
    return value < base ? value : -1;
}

// A whole integer in [minimum, maximum]: optional sign, then decimal digits or hexadecimal
// digits after "$" or "0x"; spaces around it are allowed. Anything else gives nothing.
std::optional<qint64> ParseInteger(const QString& text, qint64 minimum, qint64 maximum)
{
    const QString t = TrimControl(text);
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-'))
        negative = t[i++] == u'-';
    int base = 10;
    if (i < t.size() && t[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < t.size() && t[i] == u'0' && (t[i + 1] == u'x' || t[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= t.size())
        return std::nullopt;
    const quint64 limit = quint64(std::numeric_limits<qint64>::max());
    quint64 magnitude = 0;
    for (; i < t.size(); ++i) {
        const int digit = DigitValue(t[i], base);
        if (digit < 0)
            return std::nullopt;
        if (magnitude > (limit - quint64(digit)) / quint64(base))
            return std::nullopt;
        magnitude = magnitude * base + digit;
    }
    const qint64 value = negative ? -qint64(magnitude) : qint64(magnitude);
    if (value < minimum || value > maximum)
        return std::nullopt;
    return value;
}

} // namespace

TLanguage::TLanguage(QObject* owner)
    : QObject(owner)
{
}

void TLanguage::SetSeparator(const QString& separator)
{
    FSeparator = TrimControl(separator).isEmpty() ? QStringLiteral(",") : separator;
}

bool TLanguage::StringProperty(const QMetaProperty& property)
{
    return KindOfProperty(property) == PropertyKind::String;
}

bool TLanguage::IntegerProperty(const QMetaProperty& property)
{
    return KindOfProperty(property) == PropertyKind::Integer;
}

void TLanguage::Translate()
{
    const IniFile file = LoadLanguageFile(FLanguageFile);
    if (!file.HasSection(TranslationsSection))
        return;
    // A copy: a callback that edits Properties() does not disturb this run.
    const QStringList keys = FProperties;
    for (const QString& key : keys) {
        if (TrimControl(key).isEmpty())
            continue;
        Apply(key, file.Value(TranslationsSection, key).value_or(QString()));
    }
}

QObject* TLanguage::FindWindow(QStringView name) const
{
    // Two windows of one name can be alive at once (a dialog closed but not yet destroyed,
    // and its successor): the one that owns this engine is the one meant.
    QObject* owner = parent();
    if (owner && EqualsIgnoringAsciiCase(owner->objectName(), name) && TopLevelComponents().contains(owner))
        return owner;
    return FindTopLevelComponent(name);
}

void TLanguage::Apply(const QString& key, const QString& translation)
{
    // Walk the dotted path: the first segment names a top-level component, each further
    // one (but the last) a component owned by the one before; the last names the property.
    QString rest = TrimControl(key);
    bool atApplication = true;
    QObject* found = nullptr;
    for (qsizetype dot = rest.indexOf(u'.'); dot >= 0; dot = rest.indexOf(u'.')) {
        const QString name = TrimControl(QStringView(rest).left(dot));
        rest = TrimControl(QStringView(rest).mid(dot + 1));
        found = atApplication ? FindWindow(name) : FindOwnedComponent(found, name);
        atApplication = false;
    }
    // A key without a component names a property of the application object itself, which
    // has none a language file may set.
    if (atApplication || !found || translation.isEmpty())
        return;

    const QPointer<QObject> component = found;
    const QString& propertyName = rest;
    const QMetaProperty property = FindComponentProperty(component, propertyName);
    QString text = translation;
    if (OnTranslate) {
        QString oldValue;
        if (StringProperty(property))
            oldValue = property.read(component).toString();
        OnTranslate(this, component, propertyName, oldValue, text);
        if (!component)
            return; // the callback destroyed it
    }
    if (!property.isValid())
        return;

    switch (KindOfProperty(property)) {
    case PropertyKind::String:
        property.write(component, text);
        break;
    case PropertyKind::Integer: {
        const bool isUnsigned = property.metaType().id() == QMetaType::UInt;
        const qint64 minimum = isUnsigned ? 0 : std::numeric_limits<int>::min();
        const qint64 maximum
            = isUnsigned ? qint64(std::numeric_limits<uint>::max()) : qint64(std::numeric_limits<int>::max());
        const std::optional<qint64> value = ParseInteger(text, minimum, maximum);
        if (!value)
            throw TarvixError(u'\'' + text + QStringLiteral("' is not a valid integer value (language key ")
                + TrimControl(key) + u')');
        if (isUnsigned)
            property.write(component, QVariant::fromValue(uint(*value)));
        else
            property.write(component, QVariant::fromValue(int(*value)));
        break;
    }
    case PropertyKind::StringList:
        property.write(component, SplitLines(text));
        break;
    case PropertyKind::Other:
        break; // outside what a language file can set
    }
}

QStringList TLanguage::SplitLines(const QString& text) const
{
    QStringList lines;
    if (FSeparator.isEmpty()) {
        const QString line = TrimControl(text);
        if (!line.isEmpty())
            lines.append(line);
        return lines;
    }
    qsizetype start = 0;
    for (qsizetype at = text.indexOf(FSeparator); at >= 0; at = text.indexOf(FSeparator, start)) {
        lines.append(TrimControl(QStringView(text).mid(start, at - start)));
        start = at + FSeparator.size();
    }
    const QString last = TrimControl(QStringView(text).mid(start));
    if (!last.isEmpty())
        lines.append(last);
    return lines;
}

QString TLanguage::TranslateUserMessage(const QString& sMessage) const
{
    if (TrimControl(sMessage).isEmpty())
        return sMessage;
    return LoadLanguageFile(FLanguageFile).Value(MessagesSection, sMessage).value_or(sMessage);
}

} // namespace tarvix
