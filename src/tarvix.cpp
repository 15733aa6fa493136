// Process entry. A launcher without Qt: the program itself is a module loaded here, so that
// a silent folder correction with nothing to do (a script's or a timer's run over a photo
// library) ends before any library is loaded, as quickly as a small C tool would.
#include "base/program_module.h"
#include "base/silent_scan.h"

#include <cstdio>
#include <cstring>

using namespace tarvix;

namespace {

// What `tarvix --help` prints. The two long options are answered here, before any module
// is loaded, so that they work the same with or without a display and cost nothing.
constexpr char HelpText[] = R"(Usage: tarvix
       tarvix -r|-l|-u|-v|-h [-s] FILE
       tarvix -auto|-autosub [-s] FOLDER
       tarvix --help | --version

Turns and mirrors JPEG photographs without re-encoding them. Without parameters the
browser window opens.

  -r         rotate right, 90 degrees clockwise
  -l         rotate left, 90 degrees counter-clockwise
  -u         rotate by 180 degrees
  -v         flip vertical (top and bottom change places)
  -h         flip horizontal (left and right change places)
  -auto      turn every picture of FOLDER upright by its EXIF orientation tag
  -autosub   the same, including all subfolders
  -s         silent: no crop warning, read-only files are turned without asking,
             no questions or notices when correcting a folder
  --help     show this text
  --version  show the version

A switch may start with '-' or '/', in either letter case. The path is the second
parameter, or the third when -s is given. Without -s, questions appear in message
boxes when the display can be opened, otherwise on the terminal.

Exit status: 0 after success or a question answered No, 1 after an error, 2 after an
unexpected internal error.
)";

// Only these two exact spellings, alone: every other single parameter stays the usage error.
bool AnswersLongOption(int argc, char** argv, int& status)
{
    if (argc != 2)
        return false;
    if (std::strcmp(argv[1], "--help") == 0)
        status = std::fputs(HelpText, stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
    else if (std::strcmp(argv[1], "--version") == 0)
        status = std::printf("Tarvix %s\n", TARVIX_VERSION) > 0 && std::fflush(stdout) == 0 ? 0 : 1;
    else
        return false;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    int status = 0;
    if (AnswersLongOption(argc, argv, status))
        return status;
    if (SilentCorrectionHasNothingToDo(argc, argv))
        return 0;
    return RunProgramModule("tarvix_core.so", "TarvixMain", argc, argv, "the program", 2);
}
