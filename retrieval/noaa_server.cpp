#include "retrieval/noaa_server.h"

#include <cctype>

namespace nimbrel {

namespace {

std::string CycleFolderPath(ServerLayout layout) {
    return layout == ServerLayout::Classic ? "/pub/data/observations/metar/cycles/"
                                           : "/data/observations/metar/cycles/";
}

bool IsUnreserved(unsigned char c) {
    return std::isalnum(c) != 0 || c == '-' || c == '.' || c == '_' || c == '~';
}

std::string PercentEncodedUpperCase(const std::string& text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const unsigned char c : text) {
        const unsigned char upper = (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c;
        if (IsUnreserved(upper) && upper < 0x80) {
            encoded += static_cast<char>(upper);
        } else {
            encoded += '%';
            encoded += kHex[upper >> 4];
            encoded += kHex[upper & 0x0F];
        }
    }
    return encoded;
}

}  // namespace

std::string CycleSourceUrl(const NoaaServer& server) {
    if (server.layout == ServerLayout::Classic) {
        return server.origin + "/weather/metar.shtml";
    }
    return server.origin + CycleFolderPath(server.layout);
}

std::string CycleFileUrl(const NoaaServer& server, const std::string& cycle) {
    return server.origin + CycleFolderPath(server.layout) + PercentEncodedUpperCase(cycle) + ".TXT";
}

std::string DescribeServer(const NoaaServer& server) {
    return server.origin +
           (server.layout == ServerLayout::Classic ? " (classic layout)" : " (current layout)");
}

}  // namespace nimbrel
