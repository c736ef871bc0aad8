// What time it is, as the servers of this run tell it: neither this computer's clock, which may be
// wrong by hours, nor one answer from a cache's old copy or a misconfigured mirror may set it.
#pragma once

#include <chrono>
#include <optional>
#include <string_view>

namespace nimbrel {

// A response's own time: its Date plus its Age, as a cache that keeps an old Date counts it,
// whatever the Age; nullopt without a readable Date.
std::optional<std::chrono::system_clock::time_point> ResponseTime(std::string_view date,
                                                                  std::string_view age);

class TimeReference {
  public:
    // A response's Date and Age headers, received when the monotonic clock read `received` and
    // this computer's clock `localUtc`. An answer within kAgreement of the reference refines it;
    // one further off, either way, moves it only when the response to another request agrees
    // with it within kAgreement. Before any is believed, an answer near this computer's clock,
    // or one no cache has kept for more than a day, is believed on its own. Returns how far the
    // reference moved, either way.
    std::chrono::seconds Observe(std::string_view date, std::string_view age,
                                 std::chrono::milliseconds received,
                                 std::chrono::system_clock::time_point localUtc);
    // Now, by the server time believed and the monotonic time passed since; before any, by this
    // computer's clock `localUtc`.
    std::chrono::system_clock::time_point Now(std::chrono::milliseconds monotonic,
                                              std::chrono::system_clock::time_point localUtc) const;

    // A Date counts whole seconds, and an answer takes its way to here.
    static constexpr std::chrono::minutes kAgreement{2};

  private:
    struct Seen {
        std::chrono::system_clock::time_point time;
        std::chrono::milliseconds at;

        std::chrono::system_clock::time_point At(std::chrono::milliseconds monotonic) const;
    };
    std::optional<Seen> believed_;
    // The last answer that lay too far off to be believed alone, waiting for another to agree.
    std::optional<Seen> unconfirmed_;
};

}  // namespace nimbrel
