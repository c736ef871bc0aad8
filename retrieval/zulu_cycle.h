// Reading the current observing cycle out of NOAA's METAR page.
#pragma once

#include <string>
#include <string_view>

namespace nimbrel {

inline constexpr std::string_view kCycleMarker =
    "therefore the METAR observing cycle is<B><FONT COLOR=\"#48D1CC\">";
inline constexpr const char* kFallbackCycle = "12Z";

// The text between the first marker and the next "<", without surrounding spaces; "12Z" when the
// page has no marker or nothing closes the text behind it.
std::string GetZulu(std::string_view page);

}  // namespace nimbrel
