// Process entry. A launcher without Qt: the program itself is a module loaded here, so that
// a silent folder correction with nothing to do (a script's or a timer's run over a photo
// library) ends before any library is loaded, as quickly as a small C tool would.
#include "base/program_module.h"
#include "base/silent_scan.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (SilentCorrectionHasNothingToDo(argc, argv))
        return 0;
    std::string error;
    using Entry = int (*)(int, char**);
    const auto entry = reinterpret_cast<Entry>(LoadProgramEntry("tarvix_core.so", "TarvixMain", error));
    if (!entry) {
        std::fprintf(stderr, "tarvix: the program cannot be loaded: %s\n", error.c_str());
        return 2;
    }
    return entry(argc, argv);
}
