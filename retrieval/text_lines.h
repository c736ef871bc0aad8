// Walking a text line by line without copying it.
#pragma once

#include <string_view>

namespace nimbrel {

// Calls `visit` with each line of `text`, without its '\n'; a last line without one counts too.
template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        visit(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
}

}  // namespace nimbrel
