// What every fuzz target shares: the input as text, and properties that stop the run when they
// fail, so that libFuzzer keeps the input that broke them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace nimbrel::fuzz {

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// Names the property and the text it failed on, bytes outside printable ASCII escaped, and aborts.
[[noreturn]] inline void PropertyFailed(const char* property, const char* file, int line,
                                        std::string_view subject) {
    std::fprintf(stderr, "%s:%d: property failed: %s\n  on \"", file, line, property);
    for (const char c : subject) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\' && byte != '"') {
            std::fputc(byte, stderr);
        } else {
            std::fprintf(stderr, "\\x%02X", byte);
        }
    }
    std::fputs("\"\n", stderr);
    std::abort();
}

}  // namespace nimbrel::fuzz

// A macro, so that the message names the failed condition as written and where it stands.
#define FUZZ_REQUIRE(condition, subject)                                                \
    do {                                                                                \
        if (!(condition)) {                                                             \
            ::nimbrel::fuzz::PropertyFailed(#condition, __FILE__, __LINE__, (subject)); \
        }                                                                               \
    } while (false)
