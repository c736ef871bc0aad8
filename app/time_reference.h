// What time it is, as the servers of this run tell it: neither this computer's clock, which may be
// wrong by hours, nor one answer from a cache's old copy or a misconfigured mirror may set it.
#pragma once

#include <chrono>
#include <optional>
#include <string_view>

namespace nimbrel {

// A response's own time: its Date plus its Age, as a cache that keeps an old Date counts it;
// nullopt without a readable Date. An Age above a day is no cache's honest count: the Date alone.
std::optional<std::chrono::system_clock::time_point> ResponseTime(std::string_view date,
                                                                  std::string_view age);

class TimeReference {
  public:
    // A response's own time, received when the monotonic clock read `received`. The first one
    // sets the reference; after it, a time within kSlack moves it only forward, and one further
    // away, either way, only when the response to another request agrees with it within kSlack.
    void Observe(std::chrono::system_clock::time_point responseTime,
                 std::chrono::milliseconds received);
    // Now, by the server time believed and the monotonic time passed since; before any, by this
    // computer's clock `localUtc`.
    std::chrono::system_clock::time_point Now(std::chrono::milliseconds monotonic,
                                              std::chrono::system_clock::time_point localUtc) const;

    static constexpr std::chrono::hours kSlack{2};

  private:
    struct Seen {
        std::chrono::system_clock::time_point time;
        std::chrono::milliseconds at;

        std::chrono::system_clock::time_point At(std::chrono::milliseconds monotonic) const;
    };
    std::optional<Seen> believed_;
    // The last time that lay beyond the slack, waiting for a second response to agree.
    std::optional<Seen> unconfirmed_;
};

}  // namespace nimbrel
