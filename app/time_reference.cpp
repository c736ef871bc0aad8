#include "app/time_reference.h"

#include <charconv>

#include "retrieval/server_clock_cycle.h"
#include "retrieval/utc_fields.h"

namespace nimbrel {

namespace {

// No cache keeps a copy longer and still serves it honestly: such an answer is no witness alone.
constexpr std::chrono::days kLongestHonestAge{1};
// This computer's clock, wrong by less, is near enough to vouch for the first answer of a run.
constexpr std::chrono::hours kLocalClockSlack{2};

// Age is a count of seconds; anything else, a negative count included, is no age at all. A count
// too large to hold is the largest there is.
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

bool Within(std::chrono::system_clock::time_point a, std::chrono::system_clock::time_point b,
            std::chrono::seconds slack) {
    const auto apart = SecondsBetween(a, b);
    return apart <= slack && -apart <= slack;
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

std::chrono::seconds TimeReference::Observe(std::string_view date, std::string_view age,
                                            std::chrono::milliseconds received,
                                            std::chrono::system_clock::time_point localUtc) {
    const auto time = ResponseTime(date, age);
    if (!time) {
        return {};
    }
    const Seen seen{*time, received};
    // The first answer of a run needs this computer's clock, or a cache's count no longer than a
    // day, to vouch for it.
    const bool believable = believed_ ? Within(*time, believed_->At(received), kAgreement)
                                      : Within(*time, localUtc, kLocalClockSlack) ||
                                            AgeSeconds(age) <= kLongestHonestAge;
    // Else a mirror's wrong clock or a cache's miscounted copy, unless the response to another
    // request says the same, and then it is the reference that was wrong.
    if (believable || (unconfirmed_ && Within(*time, unconfirmed_->At(received), kAgreement))) {
        const auto before = Now(received, localUtc);
        believed_ = seen;
        unconfirmed_.reset();
        return SecondsBetween(before, *time);
    }
    unconfirmed_ = seen;
    return {};
}

std::chrono::system_clock::time_point TimeReference::Now(
    std::chrono::milliseconds monotonic, std::chrono::system_clock::time_point localUtc) const {
    return believed_ ? believed_->At(monotonic) : localUtc;
}

}  // namespace nimbrel
