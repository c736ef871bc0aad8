// Cycle text, as any page may hold it, to the previous cycle and the cycle files' addresses.
#include <optional>

#include "fuzz/fuzz_property.h"
#include "retrieval/noaa_server.h"
#include "retrieval/previous_cycle.h"

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// Escapes are "%" and two upper-case hex digits.
std::optional<std::string> PercentDecoded(std::string_view text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        if (i + 2 >= text.size() || HexDigit(text[i + 1]) < 0 || HexDigit(text[i + 2]) < 0) {
            return std::nullopt;
        }
        decoded += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
        i += 2;
    }
    return decoded;
}

std::string UpperCase(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

// The address is one request line's worth of plain text that names one file in the cycle folder,
// the file of that cycle.
void CheckAddress(const nimbrel::NoaaServer& server, const std::string& cycle) {
    const std::string address = nimbrel::CycleFileUrl(server, cycle);
    for (const char c : address) {
        FUZZ_REQUIRE(c > ' ' && c < 0x7F, address);  // no control character, space or 8-bit byte
        FUZZ_REQUIRE(c != '?' && c != '#' && c != '\\', address);
    }
    // The empty cycle's file is ".TXT" right in the folder.
    const std::string emptyCycle = nimbrel::CycleFileUrl(server, "");
    const std::string folder = emptyCycle.substr(0, emptyCycle.size() - 4);
    FUZZ_REQUIRE(folder.ends_with("/cycles/") && address.starts_with(folder), address);
    const std::string file = address.substr(folder.size());
    FUZZ_REQUIRE(file.find('/') == std::string::npos && file != "." && file != "..", address);
    FUZZ_REQUIRE(PercentDecoded(file) == UpperCase(cycle) + ".TXT", address);
}

bool IsHour(const std::string& cycle) {
    return cycle.size() >= 3 && cycle.ends_with('Z') &&
           cycle.find_first_not_of("0123456789") == cycle.size() - 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string cycle(nimbrel::fuzz::AsText(data, size));
    const std::string previous = nimbrel::PreviousCycle(cycle);
    FUZZ_REQUIRE(IsHour(previous), previous);
    for (const auto layout : {nimbrel::ServerLayout::Classic, nimbrel::ServerLayout::Current}) {
        const nimbrel::NoaaServer server{nimbrel::kDefaultServerOrigin, layout};
        CheckAddress(server, cycle);
        CheckAddress(server, previous);
    }
    return 0;
}
