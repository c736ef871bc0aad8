#include "retrieval/metar_cache_file.h"

#include <algorithm>
#include <tuple>
#include <vector>

#include "retrieval/csv_records.h"
#include "retrieval/gzip_inflater.h"
#include "retrieval/report_times.h"
#include "retrieval/utc_fields.h"

namespace nimbrel {

namespace {

using TimePoint = std::chrono::system_clock::time_point;
using std::chrono::minutes;

// NOAA's page on its cycle files: "Cycle files are deleted ten minutes before the start of cycle,
// for example, the file 15Z.TXT will be deleted at 1435Z in preparation for receipt of new data."
// So cycle HHZ holds the observations from (HH-1):45 to HH:44.
constexpr minutes kCycleStartsBeforeItsHour{15};
constexpr std::chrono::hours kCycleLength{1};

struct Report {
    TimePoint minute;  // the observation, to the minute, as the date line gives it
    std::string text;  // beginning with the station, on one line

    auto Key() const { return std::tie(minute, text); }
};

// Inflates a gzip `body` into `text`; why it cannot be used, or nullopt.
std::optional<std::string> Inflate(std::string_view body, std::string& text) {
    GzipInflater inflater(kMaxCacheFileBytes);
    GzipInflater::Result result;
    do {
        result = inflater.Inflate(body, text);
    } while (result == GzipInflater::Result::More);
    if (result == GzipInflater::Result::TooLarge) {
        return kCacheFileTooLarge;
    }
    if (result == GzipInflater::Result::Damaged || !inflater.Ended()) {
        return "a damaged gzip file";
    }
    return std::nullopt;
}

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// "2026-12-07T14:52:00Z" or "2026-12-07T14:52:00.000Z", to the minute.
std::optional<TimePoint> ObservationMinute(std::string_view text) {
    constexpr std::string_view kShape = "9999-99-99T99:99:99";
    if (!StartsWithShape(text, kShape)) {
        return std::nullopt;
    }
    std::string_view zone = text.substr(kShape.size());
    if (zone.starts_with('.')) {
        const std::size_t digits = zone.find_first_not_of("0123456789", 1);
        if (digits == 1 || digits == std::string_view::npos) {
            return std::nullopt;
        }
        zone.remove_prefix(digits);
    }
    if (zone != "Z") {
        return std::nullopt;
    }
    const auto time = UtcTime(DecimalValue(text.substr(0, 4)), DecimalValue(text.substr(5, 2)),
                              DecimalValue(text.substr(8, 2)), DecimalValue(text.substr(11, 2)),
                              DecimalValue(text.substr(14, 2)), DecimalValue(text.substr(17, 2)));
    return time ? std::optional(std::chrono::floor<minutes>(*time)) : std::nullopt;
}

// The report on one line, words one space apart: a line break or a blank line inside it would
// start a new record in a cycle file.
std::string OneLine(std::string_view text) {
    std::string line;
    for (const char c : text) {
        const bool space = static_cast<unsigned char>(c) <= ' ';
        if (!space) {
            line += c;
        } else if (!line.empty() && line.back() != ' ') {
            line += ' ';
        }
    }
    if (!line.empty() && line.back() == ' ') {
        line.pop_back();
    }
    return line;
}

bool IsStationId(std::string_view id) {
    return !id.empty() && std::all_of(id.begin(), id.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    });
}

// The report of `rawText` as NOAA's cycle files write it: beginning with its station, without a
// METAR or SPECI word; nullopt when it does not begin with `stationId`. Only letters and digits
// make a station, so that no report line can read as a date line.
std::optional<std::string> CycleFileReport(std::string_view rawText, std::string_view stationId) {
    std::string report = OneLine(rawText);
    if (report.starts_with("METAR ") || report.starts_with("SPECI ")) {
        report.erase(0, 6);
    }
    const std::string_view firstWord = std::string_view(report).substr(0, report.find(' '));
    if (!IsStationId(stationId) || firstWord != stationId) {
        return std::nullopt;
    }
    return report;
}

struct Columns {
    std::size_t rawText, stationId, observationTime;

    std::size_t Needed() const { return std::max({rawText, stationId, observationTime}) + 1; }
};

// The columns, when `fields` is the header row; the lines of statistics before it name none.
std::optional<Columns> HeaderColumns(const std::vector<std::string>& fields) {
    const auto column = [&fields](std::string_view name) {
        return static_cast<std::size_t>(
            std::find_if(fields.begin(), fields.end(),
                         [name](const std::string& field) { return Trimmed(field) == name; }) -
            fields.begin());
    };
    const Columns columns{column("raw_text"), column("station_id"), column("observation_time")};
    if (columns.Needed() > fields.size()) {
        return std::nullopt;
    }
    return columns;
}

// Every usable report of the CSV text, in order of time, none twice; `rows` counts them before
// duplicates go.
std::vector<Report> UsableReports(std::string_view csv, std::size_t& rows) {
    CsvRecords records(csv);
    std::vector<std::string> fields;
    std::optional<Columns> columns;
    while (!columns && records.Next(fields)) {
        columns = HeaderColumns(fields);
    }
    std::vector<Report> reports;
    while (columns && records.Next(fields)) {
        if (fields.size() < columns->Needed()) {
            continue;
        }
        const auto minute = ObservationMinute(Trimmed(fields[columns->observationTime]));
        auto report =
            CycleFileReport(fields[columns->rawText], Trimmed(fields[columns->stationId]));
        if (minute && report) {
            reports.push_back({*minute, std::move(*report)});
        }
    }
    rows = reports.size();
    std::sort(reports.begin(), reports.end(),
              [](const Report& a, const Report& b) { return a.Key() < b.Key(); });
    reports.erase(std::unique(reports.begin(), reports.end(),
                              [](const Report& a, const Report& b) { return a.Key() == b.Key(); }),
                  reports.end());
    return reports;
}

void AppendRecord(std::string& cycleFile, const Report& report) {
    cycleFile += ReportDateLine(report.minute);
    cycleFile += '\n';
    cycleFile += report.text;
    cycleFile += "\n\n";
}

}  // namespace

std::variant<CacheFileCycles, std::string> CyclesFromCacheFile(std::string_view body,
                                                               TimePoint cycleStart) {
    if (body.empty()) {
        return std::string("an empty file");
    }
    std::string inflated;
    std::string_view csv = body;
    if (body.starts_with("\x1F\x8B")) {
        if (auto refusal = Inflate(body, inflated)) {
            return *refusal;
        }
        csv = inflated;
    } else if (body.size() > kMaxCacheFileBytes) {
        return std::string(kCacheFileTooLarge);
    }

    // A file saved by a Windows editor may begin with a byte-order mark.
    if (csv.starts_with("\xEF\xBB\xBF")) {
        csv.remove_prefix(3);
    }
    CacheFileCycles cycles;
    const std::vector<Report> reports = UsableReports(csv, cycles.usableRows);
    if (reports.empty()) {
        return std::string("a file without a usable report");
    }
    const TimePoint previousStart = cycleStart - kCycleLength;
    for (const Report& report : reports) {
        if (report.minute >= cycleStart) {
            AppendRecord(cycles.current, report);
        } else if (report.minute >= previousStart) {
            AppendRecord(cycles.previous, report);
        }
    }
    if (cycles.current.empty() && cycles.previous.empty()) {
        return "a file without a report since " + ReportDateLine(previousStart).substr(11) + " UTC";
    }
    return cycles;
}

std::optional<TimePoint> CycleStart(std::string_view cycle, TimePoint now) {
    const unsigned hour = StartsWithShape(cycle, "99Z") ? DecimalValue(cycle.substr(0, 2)) : 24;
    if (cycle.size() != 3 || hour > 23) {
        return std::nullopt;
    }
    const auto latest = std::chrono::floor<minutes>(ClampedShift(now, kCycleLength));
    // 00Z begins on the day before; try tomorrow's start first.
    TimePoint start = std::chrono::floor<std::chrono::days>(latest) + std::chrono::days(1) +
                      std::chrono::hours(hour) - kCycleStartsBeforeItsHour;
    while (start > latest) {
        start -= std::chrono::days(1);
    }
    return start;
}

}  // namespace nimbrel
