#include "retrieval/previous_cycle.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace nimbrel {

namespace {

// The number at the start of `text`, reading as a user-facing number reader does: blanks, tabs and
// line feeds are skipped wherever they stand, and reading stops at the first character that
// cannot continue the number. No number, or one too large to hold, reads as 0.
double LeadingNumber(std::string_view text) {
    std::string compact;
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '\n') {
            compact += c;
        }
    }
    std::size_t i = 0;
    std::string number;
    if (i < compact.size() && (compact[i] == '-' || compact[i] == '+')) {
        number += compact[i++];
    }
    bool digits = false;
    while (i < compact.size() && compact[i] >= '0' && compact[i] <= '9') {
        number += compact[i++];
        digits = true;
    }
    if (i < compact.size() && compact[i] == '.') {
        number += compact[i++];
        while (i < compact.size() && compact[i] >= '0' && compact[i] <= '9') {
            number += compact[i++];
            digits = true;
        }
    }
    const double value = digits ? std::strtod(number.c_str(), nullptr) : 0.0;
    return std::isfinite(value) ? value : 0.0;
}

// At least two digits, a leading zero added to single digits; fractions round half away from zero.
std::string TwoDigits(double value) {
    char text[400];
    std::snprintf(text, sizeof text, "%02.0f", std::round(value));
    return text;
}

}  // namespace

std::string PreviousCycle(const std::string& cycle) {
    std::string hour;
    for (const char c : cycle) {
        if (c != 'Z') {
            hour += c;
        }
    }
    double previous = LeadingNumber(hour) - 1;
    if (previous < 0) {
        previous = 23;
    }
    return TwoDigits(previous) + "Z";
}

}  // namespace nimbrel
