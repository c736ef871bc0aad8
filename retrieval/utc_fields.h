// Pieces of the fixed-width date and time texts that servers and cycle files write.
#pragma once

#include <chrono>
#include <optional>
#include <string_view>

namespace nimbrel {

// Whether `text` starts with the shape given: '9' stands for a decimal digit, 'A' for an ASCII
// letter, any other character for itself ("99-AAA-9999").
bool StartsWithShape(std::string_view text, std::string_view shape);

// The decimal number that `digits` spells; the caller has checked that they are digits.
unsigned DecimalValue(std::string_view digits);

// "Jan" is 1, ..., "Dec" 12, as HTTP dates and folder indexes write them; nullopt otherwise.
std::optional<unsigned> MonthNumber(std::string_view abbreviation);
// The inverse: "Jan" for January.
std::string_view MonthAbbreviation(std::chrono::month month);

// How long after `earlier` `later` comes, in whole seconds. Two times the system clock holds can
// lie further apart than the clock's own unit counts.
std::chrono::seconds SecondsBetween(std::chrono::system_clock::time_point earlier,
                                    std::chrono::system_clock::time_point later);

// `time` moved by `by`, held within the span the system clock can count: a server's date near the
// end of that span (the year 2262) plus an age or a slack must not overflow.
std::chrono::system_clock::time_point ClampedShift(std::chrono::system_clock::time_point time,
                                                   std::chrono::seconds by);

// The instant of a UTC calendar date and time; nullopt when there is no such date or time, or
// when the system clock cannot hold it.
std::optional<std::chrono::system_clock::time_point> UtcTime(unsigned year, unsigned month,
                                                             unsigned day, unsigned hour,
                                                             unsigned minute, unsigned second = 0);

}  // namespace nimbrel
