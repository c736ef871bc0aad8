// Reading a web server's folder index: which files it lists, and when each was last modified.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

struct ListedFile {
    std::string name{};                                // as the link names it
    std::chrono::system_clock::time_point modified{};  // in the server's zone, to the minute
    // As Apache writes it in short form ("0", "312", "2.1K", "4.1M"), in bytes, so rounded above
    // 1K; none for "-" or when absent. Only an empty file is told exactly.
    std::optional<std::uint64_t> size{};
};

// The files of an Apache-style index, in the order listed: each a link `<a href="NAME">` followed,
// on the same line and before the next link, by its time as `07-Dec-2026 13:52` or
// `2026-12-07 13:52`, and then by its size. Links without such a time (sorting, the parent folder)
// are left out, so a page that is no index at all gives no files. Any input is safe, in time linear
// in its size.
std::vector<ListedFile> ParseFolderListing(std::string_view page);

}  // namespace nimbrel
