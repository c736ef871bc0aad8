// A cycle file, as any server may send it, to the number of its reports, the newest one's time,
// and whether its weather counts as old.
#include <algorithm>

#include "app/data_age.h"
#include "fuzz/fuzz_property.h"
#include "retrieval/report_times.h"
#include "retrieval/server_clock_cycle.h"

using namespace std::chrono;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string file(nimbrel::fuzz::AsText(data, size));
    const nimbrel::ReportTimes times = nimbrel::ReadReportTimes(file);
    FUZZ_REQUIRE(times.newest.has_value() == (times.count > 0), file);
    FUZZ_REQUIRE(
        times.count <= static_cast<std::size_t>(std::count(file.begin(), file.end(), '\n')) + 1,
        file);
    if (times.newest) {
        // The newest time is one the file writes, at the start of a line, to the minute.
        const std::string line = nimbrel::ReportDateLine(*times.newest);
        FUZZ_REQUIRE(*times.newest == floor<minutes>(*times.newest) &&
                         (file.starts_with(line) || file.find("\n" + line) != std::string::npos),
                     nimbrel::FormatHttpDate(*times.newest));
    }

    // Times after a limit count as reports; one is believed only where enough reports reach it,
    // so that a single mistyped date far ahead never stands for the file.
    const sys_seconds serverNow = sys_days(year(2026) / December / 7) + hours(14);
    const system_clock::time_point limit = serverNow + hours(2);
    const nimbrel::ReportTimes believed = nimbrel::ReadReportTimes(file, limit);
    FUZZ_REQUIRE(believed.count == times.count &&
                     (believed.ignored == 0) == (believed.newest == times.newest) &&
                     (!believed.newest || *believed.newest <= limit || believed.ignored < 3),
                 file);
    const sys_seconds junk = sys_days(year(2262) / January / 1);
    const nimbrel::ReportTimes withJunk =
        nimbrel::ReadReportTimes(file + "\n" + nimbrel::ReportDateLine(junk) + "\n", limit);
    FUZZ_REQUIRE(!(times.newest < system_clock::time_point(junk)) ||
                     withJunk.newest != system_clock::time_point(junk),
                 file);

    // Old means a believed newest report more than three hours behind the server's clock; a file
    // without a believed time is never called old.
    nimbrel::WrittenReport report;
    report.cycle = "14Z";
    report.times = believed;
    const bool old = believed.newest && *believed.newest < serverNow - hours(3);
    FUZZ_REQUIRE(nimbrel::OldDataText(report, serverNow).empty() != old, file);

    // One report more counts once more, and its time is the newest when it is later.
    const sys_seconds added = junk;
    const nimbrel::ReportTimes more =
        nimbrel::ReadReportTimes(file + "\n" + nimbrel::ReportDateLine(added) + "\n");
    FUZZ_REQUIRE(
        more.count == times.count + 1 &&
            more.newest == std::max<system_clock::time_point>(
                               times.newest.value_or(system_clock::time_point::min()), added),
        file);
    return 0;
}
