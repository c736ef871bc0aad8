#include "retrieval/zulu_cycle.h"

namespace nimbrel {

std::string GetZulu(std::string_view page) {
    const std::size_t marker = page.find(kCycleMarker);
    if (marker == std::string_view::npos) {
        return kFallbackCycle;
    }
    const std::string_view rest = page.substr(marker + kCycleMarker.size());
    const std::size_t end = rest.find('<');
    if (end == std::string_view::npos) {
        return kFallbackCycle;
    }
    std::string_view cycle = rest.substr(0, end);
    const std::size_t first = cycle.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    cycle = cycle.substr(first, cycle.find_last_not_of(' ') - first + 1);
    return std::string(cycle);
}

}  // namespace nimbrel
