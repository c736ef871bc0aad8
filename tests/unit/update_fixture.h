// Servers and cycle files for the tests of an update on the fake platform.
#pragma once

#include <string>

#include "retrieval/zulu_cycle.h"
#include "tests/fake/fake_platform.h"

namespace nimbrel::update_fixture {

using std::chrono::milliseconds;
using std::chrono::minutes;
using std::chrono::seconds;

inline constexpr const char* kPage = "http://noaa.test/weather/metar.shtml";
inline constexpr const char* kFolder = "C:\\Fly!\\METAR\\";

inline std::string CycleFile(const std::string& cycle) {
    return "http://noaa.test/pub/data/observations/metar/cycles/" + cycle + ".TXT";
}

inline fake::FakeResponse Page(const std::string& cycle) {
    // The marker split across chunks must not matter.
    const std::string page =
        "<html>... " + std::string(kCycleMarker) + cycle + "</FONT></B></html>";
    return {{page.substr(0, 20), page.substr(20)}, milliseconds(10), std::nullopt, "", false};
}

inline fake::FakeResponse Body(const std::string& text) {
    return {{text.substr(0, text.size() / 2), text.substr(text.size() / 2)},
            milliseconds(10),
            std::nullopt,
            "",
            false};
}

inline fake::FakeResponse Failure(TransferFailure failure) {
    return {{}, milliseconds(10), std::move(failure), "", false};
}

inline const TransferFailure kNotFound{
    .kind = TransferFailureKind::HttpStatus, .systemText = "Not Found", .httpStatus = 404};

inline fake::FakeResponse Stall() {
    return {{"partial"}, milliseconds(10), std::nullopt, "", true};
}

inline const std::string kCurrent =
    "2026/12/07 14:00\nKJFK 071351Z 31012KT 10SM FEW250 02/M09 A3012\n\n";
inline const std::string kPrevious =
    "2026/12/07 13:00\nKJFK 071251Z 30010KT 10SM CLR 01/M10 A3015\n\n";

}  // namespace nimbrel::update_fixture
