#include "app/window_module.h"

#include "platform/executable_path.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <dlfcn.h>

namespace {

// Beside the program in a build tree; in the library folder of an installed program.
QString ModulePath()
{
    const QDir folder = QFileInfo(ExecutablePath()).dir();
    for (const QString& candidate :
        { folder.filePath(TARVIX_WINDOW_MODULE), folder.filePath(TARVIX_INSTALLED_WINDOW_MODULE) })
        if (QFileInfo::exists(candidate))
            return candidate;
    return folder.filePath(TARVIX_WINDOW_MODULE);
}

} // namespace

int RunWindowModule(int argc, char** argv)
{
    const QString path = ModulePath();
    // Kept loaded until the process ends: Qt's own clean-up at exit runs code in it.
    void* module = ::dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_GLOBAL);
    if (!module) {
        std::fprintf(stderr, "tarvix: the window part of the program cannot be loaded: %s\n", ::dlerror());
        return 1;
    }
    using Entry = int (*)(int, char**);
    const auto entry = reinterpret_cast<Entry>(::dlsym(module, "TarvixWindowMain"));
    if (!entry) {
        std::fprintf(stderr, "tarvix: the window part of the program is damaged: %s\n", ::dlerror());
        return 1;
    }
    return entry(argc, argv);
}
