#include "app/time_reference.h"

#include <charconv>

#include "retrieval/server_clock_cycle.h"
#include "retrieval/utc_fields.h"

namespace nimbrel {

namespace {

// Age is a count of seconds; anything else, a negative count included, is no age at all. A
// count too large to hold is as old as can be.
std::chrono::seconds AgeSeconds(std::string_view age) {
    while (!age.empty() && (age.front() == ' ' || age.front() == '\t')) {
        age.remove_prefix(1);
    }
    while (!age.empty() && (age.back() == ' ' || age.back() == '\t')) {
        age.remove_suffix(1);
    }
    if (age.empty() || age.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::chrono::seconds(0);
    }
    std::chrono::seconds::rep value = 0;
    const auto [end, error] = std::from_chars(age.data(), age.data() + age.size(), value);
    if (error == std::errc::result_out_of_range) {
        return std::chrono::seconds::max();
    }
    return std::chrono::seconds(error == std::errc() && end == age.data() + age.size() ? value : 0);
}

}  // namespace

std::optional<std::chrono::system_clock::time_point> ResponseTime(std::string_view date,
                                                                  std::string_view age) {
    const auto sent = ParseHttpDate(date);
    if (!sent) {
        return std::nullopt;
    }
    return ClampedShift(*sent, AgeSeconds(age));
}

void TimeReference::Observe(std::chrono::system_clock::time_point responseTime,
                            std::chrono::milliseconds received) {
    if (!seen_ || responseTime > Now(received, responseTime)) {
        seen_ = Seen{responseTime, received};
    }
}

std::chrono::system_clock::time_point TimeReference::Now(
    std::chrono::milliseconds monotonic, std::chrono::system_clock::time_point localUtc) const {
    if (!seen_) {
        return localUtc;
    }
    return ClampedShift(seen_->time,
                        std::chrono::floor<std::chrono::seconds>(monotonic - seen_->at));
}

}  // namespace nimbrel
