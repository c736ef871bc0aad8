// A whole day of updates at the default interval against a simulated NOAA that deletes, begins
// and grows its cycle files as the real one does, and a cache file beside it, with faults and
// clicks during the waits sprinkled at seeded points. After every update both reports and the
// outcome are checked against a model of the newest real weather, which knows nothing of how the
// program decides.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <set>
#include <utility>

#include "retrieval/report_times.h"
#include "retrieval/server_clock_cycle.h"
#include "retrieval/utc_fields.h"
#include "tests/fake/fake_platform.h"

namespace nimbrel {
namespace {

using namespace std::chrono;
using Time = system_clock::time_point;

const std::string kCycles = "https://noaa.test/data/observations/metar/cycles/";
const std::string kCache = "https://cache.test/data/cache/metars.cache.csv.gz";
const std::string kCurrentReport = "C:\\Fly!\\METAR\\CurrentMETAR.txt";
const std::string kPreviousReport = "C:\\Fly!\\METAR\\PreviousMETAR.txt";
// The server lists its files in its own time zone, which it does not name.
constexpr hours kServerZone{-5};

enum class Fault {
    None,
    ServerError,
    CutShort,
    Reset,
    Stall,
    Page,
    Empty,
    StaleCopy,
    ListingRefused,
    LateDeletion,
    HeldBriefly,
    HeldLong,
    NotFoundUnlisted,      // the listing refused, and the file of the clock's hour begun late
    LateDeletionUnlisted,  // the listing refused, and yesterday's file of the hour not deleted
    FarFuture,             // every answer dated years ahead
    AheadFromCache,        // a cache's copy an hour ahead by its Date and Age, for a few updates
};
constexpr int kFaultKinds = static_cast<int>(Fault::AheadFromCache) + 1;

const char* Name(Fault fault) {
    static constexpr const char* kNames[] = {
        "none",          "500",       "cut body",     "reset",           "stall",
        "page with 200", "empty",     "stale copy",   "refused listing", "late deletion",
        "held briefly",  "held long", "404 unlisted", "late unlisted",   "far future",
        "an hour ahead"};
    return kNames[static_cast<int>(fault)];
}

// Where the player clicks Get METAR during an update, which then runs another nested in it.
enum class Click { None, CycleWait, OneReportArrived, HeldFileRetry, SecondSourceArriving };

// Faults that make the report they hit fail, and leave its file as it was.
bool FailsItsReport(Fault fault) {
    switch (fault) {
        case Fault::ServerError:
        case Fault::CutShort:
        case Fault::Reset:
        case Fault::Stall:
        case Fault::Page:
        case Fault::StaleCopy:
            return true;
        default:
            return false;
    }
}

Time Floor5(Time time) {
    const auto minute = floor<minutes>(time);
    return minute - minutes(minute.time_since_epoch().count() % 5);
}

struct Fields {
    int year;
    unsigned month;
    unsigned day;
    int hour;
    int minute;
};

Fields FieldsOf(Time time) {
    const auto minute = floor<minutes>(time);
    const year_month_day date{floor<days>(minute)};
    const hh_mm_ss clock{minute - floor<days>(minute)};
    return {static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
            static_cast<unsigned>(date.day()), static_cast<int>(clock.hours().count()),
            static_cast<int>(clock.minutes().count())};
}

// A report as a cycle file holds it: its date line, then the report.
std::string Report(Time observed, int station) {
    const Fields f = FieldsOf(observed);
    char text[96];
    std::snprintf(text, sizeof text, "%04d/%02u/%02u %02d:%02d\nK%03d %02u%02d%02dZ 31012KT\n\n",
                  f.year, f.month, f.day, f.hour, f.minute, station, f.day, f.hour, f.minute);
    return text;
}

// Every report is as long as any other: its fields have fixed widths.
const std::size_t kReportBytes = Report(sys_days(year(2026) / 12 / 7), 101).size();

// "2026-12-07 09:52", as the listing writes a time.
std::string ListingTime(Time time) {
    const Fields f = FieldsOf(time);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d", f.year, f.month, f.day, f.hour,
                  f.minute);
    return text;
}

// NOAA's cycle files: cycle HH holds the observations from (HH-1):45 to HH:44. Its file is deleted
// at (HH-1):35, begun again empty, and grows every five minutes. Two stations report in each five
// minutes, at one and at three minutes past.
class SimulatedNoaa {
  public:
    struct File {
        Time windowStart;
        Time modified;
        std::string body;
        std::optional<Time> newest;
        bool missing;  // answers 404
        std::size_t bytes = 0;
    };

    // When the file of `hour` was last due to be deleted, at or before `now`.
    static Time DeletionDue(int hour, Time now) {
        const minutes deletedAt{(hour * 60 - 25 + 24 * 60) % (24 * 60)};
        const Time due = floor<days>(now) + deletedAt;
        return due > now ? due - days(1) : due;
    }

    // Without `text`, the body is left out and only its size counted: the listing and the newest
    // report, asked at every request of a day, need no more.
    File FileAt(int hour, Time now, bool text = true) const {
        Time deleted = DeletionDue(hour, now);
        if (lateHour_ == hour && now < deleted + minutes(40)) {
            deleted -= days(1);  // yesterday's file is still there
        }
        File file{deleted + minutes(10), deleted, "", std::nullopt, false};
        if (unbegunHour_ == hour && now < deleted + minutes(25)) {
            file.missing = true;  // not begun again until the hour
            return file;
        }
        const Time grown = std::min(Floor5(now), file.windowStart + hours(1));
        for (Time slot = file.windowStart; slot < file.windowStart + hours(1); slot += minutes(5)) {
            for (const int past : {1, 3}) {
                const Time observed = slot + minutes(past);
                if (observed < grown) {
                    file.bytes += kReportBytes;
                    if (text) {
                        file.body += Report(observed, 100 + past);
                    }
                    file.newest = observed;
                    file.modified = grown;
                }
            }
        }
        return file;
    }

    // The cache file holds each station's newest report, both always of one cycle.
    static std::string CacheFile(Time now, std::string& asCycleFile) {
        std::string file = "raw_text,station_id,observation_time,latitude,longitude\n";
        for (const int past : {1, 3}) {
            const Time observed = Floor5(now) - minutes(5 - past);
            const std::string report = Report(observed, 100 + past);
            std::string time = report.substr(0, 16);  // 2026/12/07 14:51
            std::replace(time.begin(), time.end(), '/', '-');
            time[10] = 'T';
            file += report.substr(17, 20) + "," + report.substr(17, 4) + "," + time +
                    ":00Z,40.6,-73.7\n";
            asCycleFile += report;
        }
        return file;
    }

    std::string Listing(Time now) const {
        std::string page = "<html><body><pre>\n";
        for (int hour = 0; hour < 24; ++hour) {
            const File file = FileAt(hour, now, false);
            char name[16];
            std::snprintf(name, sizeof name, "%02dZ.TXT", hour);
            page += std::string("<a href=\"") + name + "\">" + name + "</a>  " +
                    ListingTime(file.modified + kServerZone) + "  " + std::to_string(file.bytes) +
                    "\n";
        }
        return page + "</pre></body></html>\n";
    }

    // The newest report on the whole server.
    std::optional<Time> NewestReal(Time now) const {
        std::optional<Time> newest;
        for (int hour = 0; hour < 24; ++hour) {
            const auto file = FileAt(hour, now, false);
            if (file.newest && (!newest || *file.newest > *newest)) {
                newest = file.newest;
            }
        }
        return newest;
    }

    void DeleteLate(std::optional<int> hour) { lateHour_ = hour; }
    void BeginLate(std::optional<int> hour) { unbegunHour_ = hour; }

  private:
    std::optional<int> lateHour_;
    std::optional<int> unbegunHour_;
};

// What one update met, and what the files were before it.
struct UpdateRecord {
    int number = 0;
    Fault fault = Fault::None;
    int target = 0;  // 1: the current report's request, 2: the previous one's
    Click click = Click::None;
    std::string targetUrl{};      // the cache is asked, so NOAA fails it for the nested update too
    std::string firstBody{};      // as served to the first request
    bool afterFarFuture = false;  // it may choose its cycle by the far future's reference
    std::set<Time> newestReal{};
    std::map<std::string, std::string> filesBefore{};
    Time at{};
};

class DayOnTheVirtualClock : public ::testing::TestWithParam<unsigned> {
  protected:
    DayOnTheVirtualClock() : random_(GetParam()) {
        p.text1.text = "C:\\Fly!\\METAR\\";
        p.timer2.SetEnabled(false);  // the animation is not under test, and costs a day of ticks
        p.loop.SetUtcAtStart(sys_days(year(2026) / 12 / 7) + minutes(3));
        p.server.answer = [this](const std::string& url) { return Answer(url); };
    }

    std::optional<fake::FakeResponse> Answer(const std::string& url) {
        const Time now = p.loop.UtcNow();
        previousRequestAt_ = std::exchange(lastRequestAt_, now);
        update_.newestReal.insert(noaa_.NewestReal(now).value_or(Time{}));
        if (url == kCycles) {
            if (!nested_) {
                BeginUpdate(now);
            }
            if (update_.fault == Fault::ListingRefused ||
                update_.fault == Fault::NotFoundUnlisted ||
                update_.fault == Fault::LateDeletionUnlisted) {
                return Fails({.kind = TransferFailureKind::HttpStatus,
                              .systemText = "Forbidden",
                              .httpStatus = 403},
                             now);
            }
            return Serves(noaa_.Listing(now), now);
        }
        if (url == kCache) {
            std::string asCycleFile;
            fake::FakeResponse response = Serves(SimulatedNoaa::CacheFile(now, asCycleFile), now);
            real_.insert(asCycleFile);
            return update_.click == Click::SecondSourceArriving && !nested_ ? Slowly(response)
                                                                            : response;
        }
        const int hour = std::stoi(url.substr(kCycles.size(), 2));
        const int request = ++fileRequests_;
        const SimulatedNoaa::File file = noaa_.FileAt(hour, now);
        if (request == update_.target) {
            update_.targetUrl = url;
        }
        if (file.missing) {
            return Fails({.kind = TransferFailureKind::HttpStatus, .httpStatus = 404}, now);
        }
        const bool hit = request == update_.target ||
                         (update_.click == Click::SecondSourceArriving && url == update_.targetUrl);
        if (!hit) {
            real_.insert(file.body);
            if (request == 1) {
                update_.firstBody = file.body;
            }
            return request == 2 && update_.click == Click::OneReportArrived
                       ? Slowly(Serves(file.body, now))
                       : Serves(file.body, now);
        }
        if (request == 2 && update_.click == Click::OneReportArrived) {
            update_.click = Click::None;  // the fault leaves no report coming
        }
        switch (update_.fault) {
            case Fault::ServerError:
                return Fails({.kind = TransferFailureKind::HttpStatus,
                              .systemText = "Internal Server Error",
                              .httpStatus = 500},
                             now);
            case Fault::CutShort: {
                fake::FakeResponse response =
                    Fails({.kind = TransferFailureKind::CutShort, .receivedBytes = 10}, now);
                response.chunks = {file.body.substr(0, 10)};
                return response;
            }
            case Fault::Reset:
                return Fails({.kind = TransferFailureKind::Connection, .systemText = "reset"}, now);
            case Fault::Stall: {
                fake::FakeResponse response = Serves(file.body.substr(0, 20), now);
                response.stall = true;
                return response;
            }
            case Fault::Page:
                return Serves("<html><body>Service unavailable</body></html>", now);
            case Fault::Empty:
                return Serves("", now);
            case Fault::StaleCopy: {
                // A cache's copy of yesterday's file, with yesterday's Date, and an Age or none.
                const Time then = now - days(1);
                fake::FakeResponse response = Serves(noaa_.FileAt(hour, then).body, then);
                if (random_() % 2) {
                    response.age = std::to_string(duration_cast<seconds>(now - then).count());
                }
                return response;
            }
            case Fault::AheadFromCache: {
                real_.insert(file.body);
                fake::FakeResponse response = Serves(file.body, now - minutes(10));
                response.age = std::to_string(seconds(minutes(70)).count());
                return response;
            }
            default:
                real_.insert(file.body);
                return Serves(file.body, now);
        }
    }

    // The player's click, as an update nested in the one under way.
    void ClickAfter(milliseconds delay) {
        p.loop.Post(delay, [this] {
            if (update_.click == Click::OneReportArrived && update_.fault == Fault::None &&
                !update_.afterFarFuture && !update_.firstBody.empty()) {
                // A report that has arrived, whose fate nothing later can change, is written.
                EXPECT_EQ(p.reportFiles.files[kCurrentReport], update_.firstBody)
                    << "seed " << GetParam() << ", update " << update_.number;
            }
            nested_ = true;
            p.frm.Command1_Click();
            nested_ = false;
        });
    }

    // A body that takes seconds to arrive, and a click while it does.
    fake::FakeResponse Slowly(fake::FakeResponse response) {
        response.delay = seconds(1);
        ClickAfter(milliseconds(1500));
        return response;
    }

    fake::FakeResponse Serves(const std::string& body, Time now) const {
        return {{body}, milliseconds(10), std::nullopt, FormatHttpDate(now + dateShift_), false};
    }
    fake::FakeResponse Fails(TransferFailure failure, Time now) const {
        return {{}, milliseconds(10), std::move(failure), FormatHttpDate(now + dateShift_), false};
    }

    // Checks the update before, then draws this one's fault.
    void BeginUpdate(Time now) {
        if (update_.number > 0) {
            CheckUpdate();
        }
        update_ = UpdateRecord{.number = update_.number + 1,
                               .afterFarFuture = update_.fault == Fault::FarFuture,
                               .at = now};
        update_.filesBefore = p.reportFiles.files;
        update_.newestReal.insert(noaa_.NewestReal(now).value_or(Time{}));
        fileRequests_ = 0;
        noaa_.DeleteLate(std::nullopt);
        noaa_.BeginLate(std::nullopt);
        p.reportFiles.heldUntil.clear();
        // The first update has nothing to judge against; the rest meet a fault every other time.
        if (aheadLeft_ > 0) {
            --aheadLeft_;
            update_.fault = Fault::AheadFromCache;
            update_.target = 1 + static_cast<int>(random_() % 2);
        } else if (update_.number > 1 && random_() % 2) {
            update_.fault = static_cast<Fault>(1 + random_() % (kFaultKinds - 1));
            update_.target = 1 + static_cast<int>(random_() % 2);
            aheadLeft_ = update_.fault == Fault::AheadFromCache ? random_() % 4 : 0;
        }
        if (update_.number > 1 && random_() % 3 == 0) {
            update_.click = static_cast<Click>(1 + random_() % 4);
        }
        switch (update_.click) {
            case Click::CycleWait:
                ClickAfter(milliseconds(5));
                break;
            case Click::HeldFileRetry:
                update_.fault = Fault::HeldBriefly;
                ClickAfter(milliseconds(1500));
                break;
            case Click::SecondSourceArriving:
                // NOAA fails the current report for the nested update too, which asks the cache.
                update_.fault = Fault::ServerError;
                update_.target = 1;
                break;
            default:
                break;
        }
        // A misconfigured mirror's Date.
        dateShift_ = update_.fault == Fault::FarFuture ? years(5) : years(0);
        const auto sinceStart = p.loop.Now();
        const int clocksHour = std::stoi(CycleAt(now));
        switch (update_.fault) {
            case Fault::LateDeletion:
            case Fault::LateDeletionUnlisted:
                // Only a file no request has seen begun, with reports, can be late.
                if (previousRequestAt_ < noaa_.DeletionDue(clocksHour, now) + minutes(15)) {
                    noaa_.DeleteLate(clocksHour);
                }
                break;
            case Fault::NotFoundUnlisted:
                noaa_.BeginLate(clocksHour);
                break;
            case Fault::HeldBriefly:
                p.reportFiles.heldUntil[kCurrentReport] = sinceStart + seconds(3);
                break;
            case Fault::HeldLong:
                p.reportFiles.heldUntil[kCurrentReport] = sinceStart + minutes(5);
                break;
            default:
                break;
        }
    }

    std::optional<Time> NewestIn(const std::string& path) {
        const auto file = p.reportFiles.files.find(path);
        return file == p.reportFiles.files.end() ? std::nullopt
                                                 : ReadReportTimes(file->second).newest;
    }

    void CheckUpdate() {
        const UpdateRecord& u = update_;
        SCOPED_TRACE("seed " + std::to_string(GetParam()) + ", update " + std::to_string(u.number) +
                     " at " + FormatHttpDate(u.at) + ", fault " + Name(u.fault) + " on request " +
                     std::to_string(u.target) + ", click " +
                     std::to_string(static_cast<int>(u.click)) + ": " + p.frm.StatusTip());
        // Only real weather is ever written, and the current report never goes back in time.
        for (const auto& [path, bytes] : p.reportFiles.files) {
            EXPECT_TRUE(real_.contains(bytes)) << path << " holds what NOAA never had:\n" << bytes;
        }
        const auto currentNewest = NewestIn(kCurrentReport);
        ASSERT_TRUE(currentNewest.has_value());
        EXPECT_GE(*currentNewest, lastCurrentNewest_);
        lastCurrentNewest_ = *currentNewest;
        if (u.fault == Fault::FarFuture || u.afterFarFuture) {
            return;  // the next update writes today's weather again
        }

        // A nested update's own fetch, or the cache for a current report that failed, mends it; a
        // click during the cycle wait fetches the only reports, which the waiting update takes.
        const bool mended = (u.click != Click::None && u.click != Click::CycleWait) ||
                            (u.target == 1 && FailsItsReport(u.fault) && u.fault != Fault::Stall);
        const bool hitsAReport =
            !mended && u.target > 0 && (FailsItsReport(u.fault) || u.fault == Fault::Empty);
        if (u.fault == Fault::HeldLong ||
            (hitsAReport && !(u.fault == Fault::Empty && u.target == 1))) {
            EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::Failed);
            const std::string& hit =
                u.fault == Fault::HeldLong || u.target == 1 ? kCurrentReport : kPreviousReport;
            EXPECT_EQ(p.reportFiles.files[hit], u.filesBefore.at(hit)) << hit << " was replaced";
            return;
        }
        if (hitsAReport) {
            return;  // an empty current file: the hour before may rightly stand in
        }
        // Nothing went wrong that the program cannot mend: the newest real weather is in place.
        EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::Written);
        EXPECT_TRUE(u.newestReal.contains(*currentNewest))
            << "CurrentMETAR.txt's newest " << FormatHttpDate(*currentNewest) << " is not NOAA's";
        const Time hourBefore = floor<hours>(*currentNewest + minutes(15)) - minutes(15);
        EXPECT_EQ(NewestIn(kPreviousReport), hourBefore - minutes(2))
            << "PreviousMETAR.txt is not the whole hour before";
    }

    fake::FakePlatform p{{"https://noaa.test", ServerLayout::Current},
                         {std::nullopt, 15, false, false, kCache}};
    std::mt19937 random_;
    SimulatedNoaa noaa_;
    UpdateRecord update_;
    int fileRequests_ = 0;
    unsigned aheadLeft_ = 0;  // updates still to meet the cache an hour ahead
    bool nested_ = false;     // a click's update runs
    Time lastRequestAt_{};
    Time previousRequestAt_{};
    years dateShift_{};
    std::set<std::string> real_;  // every cycle file as NOAA served it, or the cache's made
    Time lastCurrentNewest_{};
};

TEST_P(DayOnTheVirtualClock, KeepsTheNewestRealWeatherThroughEveryFault) {
    p.frm.Command1_Click();
    p.loop.RunFor(hours(24));
    CheckUpdate();
    EXPECT_GE(update_.number, 80) << "a day at a 15-minute interval";
}

INSTANTIATE_TEST_SUITE_P(Seeds, DayOnTheVirtualClock, ::testing::Range(1u, 51u));

}  // namespace
}  // namespace nimbrel
