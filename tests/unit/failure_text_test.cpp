#include "app/failure_text.h"

#include <gtest/gtest.h>

namespace nimbrel {
namespace {

using std::chrono::seconds;
using enum TransferFailureKind;

// Before any response came through a proxy, a failure names the proxy and where it came from,
// not the server it never reached; afterwards, and without a proxy, the server.
TEST(FailureText, NamesTheProxyThatFailed) {
    const std::string proxy = "proxy.lan:3128";
    const std::string source = "https_proxy";
    struct Case {
        TransferFailure failure;
        std::string expected;
    };
    const Case cases[] = {
        {{.kind = Connection,
          .systemText = "refused",
          .server = "noaa.test:443",
          .proxy = proxy,
          .proxySource = source},
         "Cannot connect to the proxy proxy.lan:3128 (from https_proxy): refused"},
        {{.kind = NameResolution, .server = "noaa.test:443", .proxy = proxy, .proxySource = source},
         "Cannot resolve the name of the proxy proxy.lan:3128 (from https_proxy)"},
        {{.kind = TimedOut,
          .server = "noaa.test:443",
          .connected = true,
          .idle = seconds(60),
          .proxy = proxy,
          .proxySource = source},
         "No response through the proxy proxy.lan:3128 (from https_proxy) for 60 seconds"},
        {{.kind = Tls,
          .systemText = "failed",
          .server = "noaa.test:443",
          .proxy = proxy,
          .proxySource = "Internet Options"},
         "No secure connection through the proxy proxy.lan:3128 (from Internet Options): it may "
         "have refused or intercepted the tunnel"},
        {{.kind = ProxySignIn, .proxy = proxy, .proxySource = source},
         "The proxy proxy.lan:3128 (from https_proxy) asks for a sign-in, which Nimbrel does not "
         "support"},
        {{.kind = ProxySignIn}, "The proxy asks for a sign-in, which Nimbrel does not support"},
        {{.kind = Connection,
          .systemText = "reset",
          .server = "noaa.test:443",
          .connected = true,
          .proxy = proxy,
          .proxySource = source},
         "The connection through the proxy proxy.lan:3128 (from https_proxy) broke off before any "
         "response: reset"},
        {{.kind = ProxyRefused,
          .systemText = "Forbidden",
          .server = "noaa.test:443",
          .httpStatus = 403,
          .proxy = proxy,
          .proxySource = source},
         "The proxy proxy.lan:3128 (from https_proxy) refused the tunnel to noaa.test:443: HTTP "
         "403 "
         "Forbidden"},
        {{.kind = ProxyRefused, .server = "noaa.test:443", .httpStatus = 502},
         "The system's proxy refused the tunnel to noaa.test:443: HTTP 502"},
        {{.kind = Connection, .systemText = "reset", .server = "noaa.test:443", .connected = true},
         "Download broken off (noaa.test:443): reset"},
        {{.kind = CutShort, .server = "noaa.test:443", .receivedBytes = 600037},
         "Download broken off (noaa.test:443) after 600037 bytes: its end is missing"},
        {{.kind = Connection, .systemText = "refused", .server = "noaa.test:443"},
         "Cannot connect to noaa.test:443: refused"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DescribeTransferFailure(c.failure), c.expected);
    }
}

}  // namespace
}  // namespace nimbrel
