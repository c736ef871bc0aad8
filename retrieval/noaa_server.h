// Which server the updates ask, and where its files live.
#pragma once

#include <string>

namespace nimbrel {

enum class ServerLayout {
    Classic,  // a METAR page names the current cycle; cycle files under /pub/data/...
    Current,  // no such page: the cycle follows the server's clock; cycle files under /data/...
};

struct NoaaServer {
    std::string origin;  // scheme, host and optional port, without a trailing "/"
    ServerLayout layout = ServerLayout::Current;
};

inline constexpr const char* kDefaultServerOrigin = "https://tgftp.nws.noaa.gov";

// Where the first transfer of an update goes: the METAR page, or the cycle folder.
std::string CycleSourceUrl(const NoaaServer& server);
// The cycle goes into the path upper-cased and percent-encoded, so that no page text can make the
// request malformed.
std::string CycleFileUrl(const NoaaServer& server, const std::string& cycle);
// For messages: "https://host (current layout)".
std::string DescribeServer(const NoaaServer& server);

}  // namespace nimbrel
