// Writes the file managers' context menus from packaging/menus/menu_commands.ini and the
// language files, into a folder laid out like share/:
//   generate_menus TABLE LANGUAGE_FOLDER NAUTILUS_TEMPLATE OUT_FOLDER
#include "engine/errors.h"
#include "menu_formats.h"
#include "menu_table.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

using namespace tarvix;

namespace {

void Write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() || !file.flush())
        throw TarvixError(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
}

QByteArray Read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TarvixError(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    return file.readAll();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 5) {
        std::fprintf(stderr, "usage: generate_menus TABLE LANGUAGE_FOLDER NAUTILUS_TEMPLATE OUT_FOLDER\n");
        return 1;
    }
    try {
        const MenuTable table = LoadMenuTable(arguments[1], arguments[2]);
        for (const QString& warning : table.Warnings)
            std::fprintf(stderr, "generate_menus: warning: %s\n", qPrintable(warning));
        // Nothing of an earlier table may stay behind, such as a renamed command's action.
        const QString out = arguments[4];
        QDir(out).removeRecursively();
        Write(out + "/kio/servicemenus/tarvix-jpeg.desktop", DolphinServiceMenu(table.Commands, false));
        Write(out + "/kio/servicemenus/tarvix-folder.desktop", DolphinServiceMenu(table.Commands, true));
        for (const MenuCommand& command : table.Commands)
            Write(out + "/nemo/actions/tarvix-" + command.Name + ".nemo_action", NemoAction(command));
        Write(out + "/nautilus-python/extensions/tarvix.py", NautilusExtension(Read(arguments[3]), table.Commands));
        Write(out + "/tarvix/thunar/tarvix-actions.xml", ThunarActions(table.Commands));
        Write(out + "/stamp", QByteArray());
        return 0;
    } catch (const TarvixError& error) {
        std::fprintf(stderr, "generate_menus: %s\n", qPrintable(error.Message()));
        return 1;
    }
}
