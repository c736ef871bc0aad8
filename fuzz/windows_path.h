// How Windows itself reads a path, to hold the program's own judgement of paths against.
#pragma once

#include <algorithm>
#include <string_view>

namespace nimbrel::fuzz {

inline bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Whether Windows takes the path as a drive's root and below or as a share on a server, the way
// its own path parser tells them apart: either slash separates, and `\\.\` and `\\?\` open the
// device namespace instead.
inline bool WindowsReadsAsAbsolute(std::string_view path) {
    if (path.size() >= 3 && path[1] == ':' && IsSeparator(path[2])) {
        return true;
    }
    if (path.size() < 3 || !IsSeparator(path[0]) || !IsSeparator(path[1])) {
        return false;
    }
    if ((path[2] == '.' || path[2] == '?') && (path.size() == 3 || IsSeparator(path[3]))) {
        return false;
    }
    const std::string_view rest = path.substr(2);
    const std::size_t serverEnd =
        std::find_if(rest.begin(), rest.end(), IsSeparator) - rest.begin();
    return serverEnd > 0 && serverEnd + 1 < rest.size() && !IsSeparator(rest[serverEnd + 1]);
}

}  // namespace nimbrel::fuzz
