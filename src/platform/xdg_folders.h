#pragma once

#include <QString>

namespace tarvix {

// The folders of the freedesktop base-directory rules. A variable that is unset, empty or
// not an absolute path is to be ignored, and then the default under the home folder holds.
QString XdgConfigHome(); // $XDG_CONFIG_HOME, or ~/.config
QString XdgCacheHome(); // $XDG_CACHE_HOME, or ~/.cache
// $XDG_RUNTIME_DIR when it is an absolute path to an existing folder; empty otherwise (it
// has no default: the caller picks its own fallback).
QString XdgRuntimeDir();

} // namespace tarvix
