// A web server's folder index, as any server may send it, to its files and their times, and to the
// cycle the listing picks.
#include <cstdio>

#include "fuzz/fuzz_property.h"
#include "retrieval/folder_listing.h"
#include "retrieval/server_clock_cycle.h"

namespace {

using namespace std::chrono;

std::size_t Count(std::string_view text, std::string_view part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string_view::npos;
         at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// Whether the page writes `time` in one of the two forms of an index, "07-Dec-2026 13:52" or
// "2026-12-07 13:52".
bool PageWritesTime(std::string_view page, system_clock::time_point time) {
    const std::string http = nimbrel::FormatHttpDate(time);  // "Mon, 07 Dec 2026 13:52:00 GMT"
    const year_month_day date{floor<days>(time)};
    char iso[32];
    std::snprintf(iso, sizeof iso, "%04d-%02u-%02u %s", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  http.substr(17, 5).c_str());
    const std::string dayFirst =
        http.substr(5, 2) + "-" + http.substr(8, 3) + "-" + http.substr(12, 4) + http.substr(16, 6);
    return page.find(dayFirst) != std::string_view::npos ||
           page.find(iso) != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view page = nimbrel::fuzz::AsText(data, size);
    const auto files = nimbrel::ParseFolderListing(page);
    FUZZ_REQUIRE(files.size() <= Count(page, "<a href=\""), page);
    for (const nimbrel::ListedFile& file : files) {
        // Each file is a link's own target, at a time the page writes out, to the minute.
        FUZZ_REQUIRE(!file.name.empty() && file.name.find_first_of("\"\n") == std::string::npos &&
                         page.find("<a href=\"" + file.name + "\"") != std::string_view::npos,
                     file.name);
        FUZZ_REQUIRE(
            file.modified == floor<minutes>(file.modified) && PageWritesTime(page, file.modified),
            nimbrel::FormatHttpDate(file.modified));
    }

    // At 13:55 by the server's clock the cycle is 14Z, or 13Z when the listing shows no fresh 14Z.
    const auto listed = nimbrel::CycleFromListing(page, "Mon, 07 Dec 2026 13:55:00 GMT", {});
    FUZZ_REQUIRE((listed.cycle == "14Z" && listed.passedOver.empty()) ||
                     (listed.cycle == "13Z" && listed.passedOver == "14Z" && !files.empty()),
                 listed.cycle + " " + listed.passedOver);
    return 0;
}
