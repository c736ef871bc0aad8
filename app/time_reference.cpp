#include "app/time_reference.h"

#include <charconv>

#include "retrieval/server_clock_cycle.h"
#include "retrieval/utc_fields.h"

namespace nimbrel {

namespace {

// No cache keeps a copy longer than this and still serves it: a larger Age is a fault.
constexpr std::chrono::seconds kLongestAge{86400};

// Age is a count of seconds; anything else, a negative count included, is no age at all.
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
    const bool whole = error == std::errc() && end == age.data() + age.size();
    return std::chrono::seconds(whole && value <= kLongestAge.count() ? value : 0);
}

bool Agree(std::chrono::system_clock::time_point a, std::chrono::system_clock::time_point b) {
    const auto apart = SecondsBetween(a, b);
    return apart <= TimeReference::kSlack && -apart <= TimeReference::kSlack;
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

std::chrono::system_clock::time_point TimeReference::Seen::At(
    std::chrono::milliseconds monotonic) const {
    return ClampedShift(time, std::chrono::floor<std::chrono::seconds>(monotonic - at));
}

void TimeReference::Observe(std::chrono::system_clock::time_point responseTime,
                            std::chrono::milliseconds received) {
    const Seen seen{responseTime, received};
    if (!believed_) {
        believed_ = seen;
        return;
    }
    const auto now = believed_->At(received);
    if (Agree(responseTime, now)) {
        unconfirmed_.reset();
        if (responseTime > now) {
            believed_ = seen;
        }
        return;
    }
    // Far from the reference: a mirror's wrong clock or a cache's old copy, unless another
    // response says the same, and then it is the reference that was wrong.
    if (unconfirmed_ && Agree(responseTime, unconfirmed_->At(received))) {
        believed_ = seen;
        unconfirmed_.reset();
        return;
    }
    unconfirmed_ = seen;
}

std::chrono::system_clock::time_point TimeReference::Now(
    std::chrono::milliseconds monotonic, std::chrono::system_clock::time_point localUtc) const {
    return believed_ ? believed_->At(monotonic) : localUtc;
}

}  // namespace nimbrel
