// Process entry. A launcher without Qt: the program itself is a module loaded here, so that
// a silent folder correction with nothing to do (a script's or a timer's run over a photo
// library) ends before any library is loaded, as quickly as a small C tool would.
#include "base/program_module.h"
#include "base/silent_scan.h"

using namespace tarvix;

int main(int argc, char** argv)
{
    if (SilentCorrectionHasNothingToDo(argc, argv))
        return 0;
    return RunProgramModule("tarvix_core.so", "TarvixMain", argc, argv, "the program", 2);
}
