// The Aviation Weather Center's cache file, as any server may send it, to the current and the
// previous cycle files.
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "fuzz/fuzz_property.h"
#include "retrieval/metar_cache_file.h"
#include "retrieval/report_times.h"

namespace {

using namespace std::chrono;
using Record = std::pair<system_clock::time_point, std::string>;  // its time, and its report

// Checks that `file` is a series of records `date line, report line, blank line`, each dated
// within [from, to), in order of time and none already in `seen`, which gains them.
void CheckRecords(const std::string& file, system_clock::time_point from,
                  system_clock::time_point to, std::set<Record>& seen) {
    std::string_view rest = file;
    std::optional<system_clock::time_point> last;
    std::size_t records = 0;
    while (!rest.empty()) {
        const std::size_t dateEnd = rest.find('\n');
        FUZZ_REQUIRE(dateEnd != std::string_view::npos, file);
        const std::size_t reportEnd = rest.find('\n', dateEnd + 1);
        FUZZ_REQUIRE(reportEnd != std::string_view::npos && reportEnd > dateEnd + 1 &&
                         rest.substr(reportEnd).starts_with("\n\n"),
                     file);
        const std::string_view record = rest.substr(0, reportEnd + 1);
        const std::string report(rest.substr(dateEnd + 1, reportEnd - dateEnd - 1));
        // The first line dates the record, and the report reads as no date.
        const nimbrel::ReportTimes times = nimbrel::ReadReportTimes(record);
        FUZZ_REQUIRE(times.count == 1 && nimbrel::ReadReportTimes(report).count == 0,
                     std::string(record));
        const system_clock::time_point time = *times.newest;
        FUZZ_REQUIRE(time >= from && time < to && (!last || *last <= time), std::string(record));
        FUZZ_REQUIRE(seen.emplace(time, report).second, std::string(record));
        last = time;
        ++records;
        rest.remove_prefix(reportEnd + 2);
    }
    FUZZ_REQUIRE(nimbrel::ReadReportTimes(file).count == records, file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body = nimbrel::fuzz::AsText(data, size);
    const system_clock::time_point cycleStart =
        sys_days(year(2026) / December / 7) + hours(13) + minutes(45);
    const auto result = nimbrel::CyclesFromCacheFile(body, cycleStart);
    if (const auto* refusal = std::get_if<std::string>(&result)) {
        FUZZ_REQUIRE(!refusal->empty(), body);
        return 0;
    }
    const auto& cycles = std::get<nimbrel::CacheFileCycles>(result);
    FUZZ_REQUIRE(!cycles.current.empty() || !cycles.previous.empty(), body);
    std::set<Record> seen;
    CheckRecords(cycles.current, cycleStart, system_clock::time_point::max(), seen);
    CheckRecords(cycles.previous, cycleStart - hours(1), cycleStart, seen);
    FUZZ_REQUIRE(seen.size() <= cycles.usableRows, body);
    return 0;
}
