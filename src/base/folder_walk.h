#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <string_view>

namespace tarvix {

// The folder walk behind the JPEG file list, without Qt: the program's launcher runs it
// before any library is loaded, and the engine runs the very same walk.

// Whether the name ends in ".jpg" or ".jpeg", in any letter case.
bool HasJpegExtension(std::string_view name);

// Calls `found` with the path of every JPEG entry of `folder` in the order the file system
// returns them: hidden entries included, a folder named like a JPEG file too. With
// `recursive`, each subfolder's files come where the subfolder was met, and a folder
// reached twice (through symbolic links) is walked once. What cannot be read is passed over.
// The walk ends early when `found` returns false, or soon after `stop` (when given) is set:
// it is looked at before every entry, so that a walk of a whole disk ends at once.
void WalkJpegFiles(const std::string& folder, bool recursive, const std::function<bool(const std::string&)>& found,
    const std::atomic_bool* stop = nullptr);

} // namespace tarvix
