#include "menu_formats.h"

#include "engine/errors.h"

namespace tarvix {

namespace {

// The string escapes of a desktop entry's values: only the backslash and the control
// characters need them here, captions being one line.
QString KeyFileValue(QString text)
{
    return text.replace(u'\\', QLatin1String("\\\\")).replace(u'\n', QLatin1String("\\n"));
}

void AppendLocalized(QString& out, const QString& key, const MenuCommand& command)
{
    out += key + u'=' + KeyFileValue(command.Caption) + u'\n';
    for (const auto& [code, caption] : command.Translations)
        out += key + u'[' + code + QLatin1String("]=") + KeyFileValue(caption) + u'\n';
}

QString XmlText(QString text)
{
    return text.replace(u'&', QLatin1String("&amp;"))
        .replace(u'<', QLatin1String("&lt;"))
        .replace(u'>', QLatin1String("&gt;"))
        .replace(u'"', QLatin1String("&quot;"))
        .replace(u'\'', QLatin1String("&apos;"));
}

QString PythonString(const QString& text)
{
    QString quoted = text;
    quoted.replace(u'\\', QLatin1String("\\\\"))
        .replace(u'"', QLatin1String("\\\""))
        .replace(u'\n', QLatin1String("\\n"));
    return u'"' + quoted + u'"';
}

} // namespace

QByteArray DolphinServiceMenu(const QList<MenuCommand>& commands, bool forFolders)
{
    QString actions;
    QString sections;
    for (const MenuCommand& command : commands) {
        if (command.ForFolders != forFolders)
            continue;
        actions += command.Name + u';';
        sections += QLatin1String("\n[Desktop Action ") + command.Name + QLatin1String("]\n");
        AppendLocalized(sections, QStringLiteral("Name"), command);
        sections += QLatin1String("Icon=") + command.Icon + u'\n';
        sections
            += QLatin1String("Exec=") + KeyFileValue(MenuCommandLine(command.Switch, QStringLiteral("%F"))) + u'\n';
    }
    const QString head = QLatin1String("[Desktop Entry]\n"
                                       "Type=Service\n"
                                       "X-KDE-ServiceTypes=KonqPopupMenu/Plugin\n"
                                       "MimeType=")
        + (forFolders ? QLatin1String("inode/directory;") : QLatin1String("image/jpeg;")) + QLatin1String("\nActions=")
        + actions + QLatin1String("\nX-KDE-Submenu=Tarvix\nIcon=tarvix\n");
    return (head + sections).toUtf8();
}

QByteArray NemoAction(const MenuCommand& command)
{
    QString out = QStringLiteral("[Nemo Action]\n");
    AppendLocalized(out, QStringLiteral("Name"), command);
    out += QLatin1String("Comment=") + KeyFileValue(command.Comment) + u'\n';
    out += QLatin1String("Exec=") + KeyFileValue(MenuCommandLine(command.Switch, QStringLiteral("%F"))) + u'\n';
    out += QLatin1String("Icon-Name=") + command.Icon + u'\n';
    out += QLatin1String("Selection=notnone\n");
    out += command.ForFolders ? QLatin1String("Extensions=dir;\n") : QLatin1String("Mimetypes=image/jpeg;\n");
    out += QLatin1String("Dependencies=tarvix;\n");
    return out.toUtf8();
}

QByteArray NautilusExtension(const QByteArray& extensionTemplate, const QList<MenuCommand>& commands)
{
    QString data = QStringLiteral("COMMANDS = [\n");
    for (const MenuCommand& command : commands) {
        data += QLatin1String("    {\n        \"name\": ") + PythonString(command.Name);
        data += QLatin1String(",\n        \"loop\": ") + PythonString(ShellLoop(command.Switch));
        data += QLatin1String(",\n        \"folders\": ") + (command.ForFolders ? "True" : "False");
        data += QLatin1String(",\n        \"icon\": ") + PythonString(command.Icon);
        data += QLatin1String(",\n        \"comment\": ") + PythonString(command.Comment);
        data += QLatin1String(",\n        \"caption\": ") + PythonString(command.Caption);
        data += QLatin1String(",\n        \"captions\": {");
        for (qsizetype i = 0; i < command.Translations.size(); ++i)
            data += (i ? QLatin1String(", ") : QLatin1String("")) + PythonString(command.Translations[i].first)
                + QLatin1String(": ") + PythonString(command.Translations[i].second);
        data += QLatin1String("},\n    },\n");
    }
    data += QLatin1String("]");
    QByteArray out = extensionTemplate;
    const QByteArray marker = "COMMANDS = []";
    const qsizetype at = out.indexOf(marker);
    if (at < 0)
        throw TarvixError(QStringLiteral("the Nautilus extension's template has no line \"COMMANDS = []\""));
    return out.replace(at, marker.size(), data.toUtf8());
}

QByteArray ThunarActions(const QList<MenuCommand>& commands)
{
    QString out = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n");
    for (const MenuCommand& command : commands) {
        out += QLatin1String("<action>\n");
        out += QLatin1String("\t<icon>") + XmlText(command.Icon) + QLatin1String("</icon>\n");
        out += QLatin1String("\t<name>") + XmlText(command.Caption) + QLatin1String("</name>\n");
        for (const auto& [code, caption] : command.Translations)
            out += QLatin1String("\t<name xml:lang=\"") + XmlText(code) + QLatin1String("\">") + XmlText(caption)
                + QLatin1String("</name>\n");
        out += QLatin1String("\t<submenu>Tarvix</submenu>\n");
        out += QLatin1String("\t<unique-id>tarvix-") + XmlText(command.Name) + QLatin1String("</unique-id>\n");
        out += QLatin1String("\t<command>") + XmlText(MenuCommandLine(command.Switch, QStringLiteral("%F")))
            + QLatin1String("</command>\n");
        out += QLatin1String("\t<description>") + XmlText(command.Comment) + QLatin1String("</description>\n");
        out += QLatin1String("\t<range>*</range>\n");
        if (command.ForFolders) {
            out += QLatin1String("\t<patterns>*</patterns>\n\t<directories/>\n");
        } else {
            out += QLatin1String("\t<patterns>*.jpg;*.jpeg;*.jpe;*.JPG;*.JPEG;*.JPE</patterns>\n\t<image-files/>\n");
        }
        out += QLatin1String("</action>\n");
    }
    out += QLatin1String("</actions>\n");
    return out.toUtf8();
}

} // namespace tarvix
