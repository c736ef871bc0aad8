// The METAR page, as any server may send it, to the observing cycle.
#include "fuzz/fuzz_property.h"
#include "retrieval/zulu_cycle.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view page = nimbrel::fuzz::AsText(data, size);
    const std::string cycle = nimbrel::GetZulu(page);
    // The cycle is a text of the page, one tag's contents at most, never the tag itself.
    FUZZ_REQUIRE(cycle.find('<') == std::string::npos, cycle);
    FUZZ_REQUIRE(!cycle.starts_with(' ') && !cycle.ends_with(' '), cycle);
    FUZZ_REQUIRE(cycle == nimbrel::kFallbackCycle || page.find(cycle) != std::string_view::npos,
                 cycle);
    return 0;
}
