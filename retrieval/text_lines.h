// Walking a text line by line without copying it.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace nimbrel {

// Where the first '\n' of `text` is, or npos. Eight bytes at a time: a cycle file has lines of a
// few dozen bytes, and the C library's memchr, which string_view::find calls, walks byte by byte
// under Wine, where it took most of the time to read a cycle file's dates.
inline std::size_t FindLineEnd(std::string_view text) {
    constexpr std::uint64_t kOnes = 0x0101010101010101;
    constexpr std::uint64_t kHighBits = 0x8080808080808080;
    constexpr std::uint64_t kNewlines = kOnes * '\n';
    std::size_t at = 0;
    if constexpr (std::endian::native == std::endian::little) {
        for (; at + sizeof(std::uint64_t) <= text.size(); at += sizeof(std::uint64_t)) {
            std::uint64_t word;
            std::memcpy(&word, text.data() + at, sizeof word);
            const std::uint64_t zeroWhereNewline = word ^ kNewlines;
            // The lowest byte flagged is the first '\n'; flags above it may be false.
            const std::uint64_t flags = (zeroWhereNewline - kOnes) & ~zeroWhereNewline & kHighBits;
            if (flags != 0) {
                return at + static_cast<std::size_t>(std::countr_zero(flags)) / 8;
            }
        }
    }
    const std::size_t rest = text.substr(at).find('\n');
    return rest == std::string_view::npos ? rest : at + rest;
}

// Calls `visit` with each line of `text`, without its '\n'; a last line without one counts too.
template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
    while (!text.empty()) {
        const std::size_t end = FindLineEnd(text);
        visit(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
}

}  // namespace nimbrel
