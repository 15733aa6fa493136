#pragma once

#include <cstddef>
#include <string_view>

namespace tarvix {

// Where the extension of a path starts: at the last '.' of its file name, the dot included
// (a dot in a folder's name never starts one). npos when the file name has no dot. Works on
// std::string_view and QStringView alike, so that the launcher and the program share it.
template <typename View> size_t ExtensionStart(const View& path)
{
    for (size_t i = size_t(path.size()); i-- > 0;) {
        if (path[i] == u'/')
            return std::string_view::npos;
        if (path[i] == u'.')
            return i;
    }
    return std::string_view::npos;
}

} // namespace tarvix
