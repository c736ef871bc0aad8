// What time it is, as the servers of this run tell it: neither this computer's clock, which may be
// wrong by hours, nor a cache's copy of an old response may set it back.
#pragma once

#include <chrono>
#include <optional>
#include <string_view>

namespace nimbrel {

// A response's own time: its Date plus its Age, as a cache that keeps an old Date counts it;
// nullopt without a readable Date.
std::optional<std::chrono::system_clock::time_point> ResponseTime(std::string_view date,
                                                                  std::string_view age);

class TimeReference {
  public:
    // A response's own time, received when the monotonic clock read `received`. Within a run the
    // reference never goes back: an earlier time than it holds leaves it.
    void Observe(std::chrono::system_clock::time_point responseTime,
                 std::chrono::milliseconds received);
    // Now, by the newest server time seen and the monotonic time passed since; before any, by
    // this computer's clock `localUtc`.
    std::chrono::system_clock::time_point Now(std::chrono::milliseconds monotonic,
                                              std::chrono::system_clock::time_point localUtc) const;

  private:
    struct Seen {
        std::chrono::system_clock::time_point time;
        std::chrono::milliseconds at;
    };
    std::optional<Seen> seen_;
};

}  // namespace nimbrel
