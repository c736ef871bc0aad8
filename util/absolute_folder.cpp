#include "util/absolute_folder.h"

#include <algorithm>

namespace nimbrel {

namespace {

bool IsDriveLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Windows takes a slash for a backslash.
constexpr std::string_view kSeparators = "\\/";

// `\\server\share`, each part non-empty and neither part a device-namespace marker.
bool IsUncPath(std::string_view path) {
    if (!path.starts_with("\\\\")) {
        return false;
    }
    path.remove_prefix(2);
    const auto serverEnd = path.find_first_of(kSeparators);
    if (serverEnd == 0 || serverEnd == std::string_view::npos) {
        return false;
    }
    const std::string_view server = path.substr(0, serverEnd);
    const std::string_view share = path.substr(serverEnd + 1);
    return server != "?" && server != "." && !share.empty() &&
           kSeparators.find(share.front()) == std::string_view::npos;
}

}  // namespace

bool IsAbsoluteFolder(std::string_view path) {
    // The system reads a path up to its first NUL, so a text holding one names another place.
    if (path.find('\0') != std::string_view::npos) {
        return false;
    }
    if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == ':' && path[2] == '\\') {
        return true;
    }
    return IsUncPath(path);
}

std::string WithBackslashes(std::string path) {
    std::ranges::replace(path, '/', '\\');
    return path;
}

std::optional<std::string> WholeFolder(std::string_view path) {
    std::string folder = WithBackslashes(std::string(path));
    if (!IsAbsoluteFolder(folder)) {
        return std::nullopt;
    }
    if (!folder.ends_with('\\')) {
        folder += '\\';
    }
    return folder;
}

}  // namespace nimbrel
