#pragma once

namespace tarvix {

// Whether the command line asks for a silent folder correction ("-auto" or "-autosub",
// "-s" and an existing folder in the path's place) over a folder where nothing can need a
// turn. Such a run ends without a word and without a change, so the launcher can end it
// before any library is loaded. False whenever there is the slightest doubt: the full
// program then runs as always.
bool SilentCorrectionHasNothingToDo(int argc, char** argv);

} // namespace tarvix
