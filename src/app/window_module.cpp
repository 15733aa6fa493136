#include "app/window_module.h"

#include "base/program_module.h"

#include <cstdio>
#include <string>

int RunWindowModule(int argc, char** argv)
{
    std::string error;
    using Entry = int (*)(int, char**);
    const auto entry = reinterpret_cast<Entry>(LoadProgramEntry("tarvix_window.so", "TarvixWindowMain", error));
    if (!entry) {
        std::fprintf(stderr, "tarvix: the window part of the program cannot be loaded: %s\n", error.c_str());
        return 1;
    }
    return entry(argc, argv);
}
