#include "base/silent_scan.h"

#include "base/ascii_case.h"
#include "base/folder_walk.h"
#include "base/orientation_reader.h"

#include <string>
#include <string_view>
#include <sys/stat.h>

namespace tarvix {

namespace {

bool IsAsciiSwitch(std::string_view parameter, std::string_view name)
{
    return !parameter.empty() && (parameter[0] == '-' || parameter[0] == '/')
        && EqualsIgnoringAsciiCase(parameter.substr(1), name);
}

// The program reads its parameters as UTF-8; other bytes it would spell differently.
bool IsUtf8(std::string_view text)
{
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = text[i];
        const size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 0x2)
                return false;
        i += length;
    }
    return true;
}

} // namespace

bool SilentCorrectionHasNothingToDo(int argc, char** argv)
{
    // Exactly: two switches out of s, auto and autosub, then the folder third. Any other
    // spelling is left to the program's own reading of its parameters.
    if (argc != 4)
        return false;
    bool silent = false;
    bool folderMode = false;
    bool recursive = false;
    for (int i = 1; i <= 2; ++i) {
        const std::string_view parameter = argv[i];
        if (IsAsciiSwitch(parameter, "s"))
            silent = true;
        else if (IsAsciiSwitch(parameter, "auto"))
            folderMode = true;
        else if (IsAsciiSwitch(parameter, "autosub"))
            folderMode = recursive = true;
        else
            return false;
    }
    const std::string folder = argv[3];
    struct stat info { };
    if (!silent || !folderMode || !IsUtf8(folder) || ::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return false;

    // The first file that may be turned hands the run to the program; the walk ends there.
    bool nothing = true;
    WalkJpegFiles(folder, recursive, [&nothing](const std::string& path) {
        nothing = !IsCorrectableOrientation(ReadFileOrientation(path.c_str()));
        return nothing;
    });
    return nothing;
}

} // namespace tarvix
