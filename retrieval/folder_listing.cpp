#include "retrieval/folder_listing.h"

#include <optional>

#include "retrieval/text_lines.h"
#include "retrieval/utc_fields.h"

namespace nimbrel {

namespace {

constexpr std::string_view kLinkStart = "<a href=\"";
constexpr std::string_view kLinkEnd = "</a>";

struct ListedTime {
    std::chrono::system_clock::time_point time;
    std::size_t end;  // where the text behind the time begins
};

// The first modification time in `text`, in either of the forms Apache writes.
std::optional<ListedTime> FirstTime(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::string_view rest = text.substr(i);
        std::optional<std::chrono::system_clock::time_point> time;
        std::size_t length = 0;
        if (StartsWithShape(rest, "99-AAA-9999 99:99")) {  // 07-Dec-2026 13:52
            length = 17;
            if (const auto month = MonthNumber(rest.substr(3, 3))) {
                time = UtcTime(DecimalValue(rest.substr(7, 4)), *month,
                               DecimalValue(rest.substr(0, 2)), DecimalValue(rest.substr(12, 2)),
                               DecimalValue(rest.substr(15, 2)));
            }
        } else if (StartsWithShape(rest, "9999-99-99 99:99")) {  // 2026-12-07 13:52
            length = 16;
            time = UtcTime(DecimalValue(rest.substr(0, 4)), DecimalValue(rest.substr(5, 2)),
                           DecimalValue(rest.substr(8, 2)), DecimalValue(rest.substr(11, 2)),
                           DecimalValue(rest.substr(14, 2)));
        }
        if (time) {
            return ListedTime{*time, i + length};
        }
    }
    return std::nullopt;
}

// The size that follows the time, skipping spaces and the cell tags of a table index.
std::optional<std::uint64_t> SizeAfter(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size()) {
        if (text[at] == ' ' || text[at] == '\t') {
            ++at;
        } else if (text[at] == '<') {
            const std::size_t close = text.find('>', at);
            if (close == std::string_view::npos) {
                return std::nullopt;
            }
            at = close + 1;
        } else {
            break;
        }
    }
    const std::string_view rest = text.substr(at);
    std::size_t digits = 0;
    while (digits < rest.size() && digits < 9 && rest[digits] >= '0' && rest[digits] <= '9') {
        ++digits;
    }
    if (digits == 0) {
        return std::nullopt;
    }
    std::uint64_t tenths = DecimalValue(rest.substr(0, digits)) * 10ull;
    std::size_t unitAt = digits;
    if (unitAt + 1 < rest.size() && rest[unitAt] == '.' && rest[unitAt + 1] >= '0' &&
        rest[unitAt + 1] <= '9') {
        tenths += static_cast<std::uint64_t>(rest[unitAt + 1] - '0');
        unitAt += 2;
    }
    std::uint64_t unit = 1;
    if (unitAt < rest.size()) {
        switch (rest[unitAt]) {
            case 'K':
                unit = 1ull << 10;
                break;
            case 'M':
                unit = 1ull << 20;
                break;
            case 'G':
                unit = 1ull << 30;
                break;
            default:
                break;
        }
    }
    return tenths * unit / 10;
}

// One link and what follows it up to the next link: `NAME">text</a> time size`.
std::optional<ListedFile> ReadEntry(std::string_view entry) {
    const std::size_t quote = entry.find('"');
    if (quote == 0 || quote == std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t linkEnd = entry.find(kLinkEnd, quote);
    if (linkEnd == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view behind = entry.substr(linkEnd + kLinkEnd.size());
    const auto modified = FirstTime(behind);
    if (!modified) {
        return std::nullopt;
    }
    return ListedFile{std::string(entry.substr(0, quote)), modified->time,
                      SizeAfter(behind.substr(modified->end))};
}

void ReadLine(std::string_view line, std::vector<ListedFile>& files) {
    std::size_t link = line.find(kLinkStart);
    while (link != std::string_view::npos) {
        const std::size_t entryStart = link + kLinkStart.size();
        const std::size_t next = line.find(kLinkStart, entryStart);
        const std::string_view entry = next == std::string_view::npos
                                           ? line.substr(entryStart)
                                           : line.substr(entryStart, next - entryStart);
        if (auto file = ReadEntry(entry)) {
            files.push_back(std::move(*file));
        }
        link = next;
    }
}

}  // namespace

std::vector<ListedFile> ParseFolderListing(std::string_view page) {
    std::vector<ListedFile> files;
    ForEachLine(page, [&files](std::string_view line) { ReadLine(line, files); });
    return files;
}

}  // namespace nimbrel
