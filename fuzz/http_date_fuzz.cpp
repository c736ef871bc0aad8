// The HTTP Date header, as any server may send it, to a time and back to text.
#include <fuzzer/FuzzedDataProvider.h>

#include "fuzz/fuzz_property.h"
#include "retrieval/server_clock_cycle.h"

namespace {

using namespace std::chrono;

// Any whole second the system clock can hold formats to a date that reads back as that instant.
void FormatsBackToTheSameInstant(FuzzedDataProvider& provider) {
    const auto first = ceil<seconds>(system_clock::time_point::min()).time_since_epoch().count();
    const auto last = floor<seconds>(system_clock::time_point::max()).time_since_epoch().count();
    const sys_seconds instant{seconds(provider.ConsumeIntegralInRange(first, last))};
    const std::string text = nimbrel::FormatHttpDate(instant);
    FUZZ_REQUIRE(nimbrel::ParseHttpDate(text) == instant, text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = nimbrel::fuzz::AsText(data, size);
    const auto parsed = nimbrel::ParseHttpDate(text);
    if (parsed) {
        const std::string formatted = nimbrel::FormatHttpDate(*parsed);
        FUZZ_REQUIRE(nimbrel::ParseHttpDate(formatted) == parsed, text);
        // Every field but the day of the week is read as sent; only a leap second moves on.
        const bool leapSecond = text.substr(23, 2) == "60";
        FUZZ_REQUIRE(leapSecond || formatted.substr(5) == text.substr(5), text);
    }

    FuzzedDataProvider provider(data, size);
    FormatsBackToTheSameInstant(provider);
    return 0;
}
