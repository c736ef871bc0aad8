#include "retrieval/proxy_sign_in.h"

#include <gtest/gtest.h>

namespace nimbrel {
namespace {

// The user's Windows account goes to a proxy on the request's way that asks with NTLM or
// Negotiate, once per request; never to a server (reached directly, or answering inside the
// secure channel), never in a scheme that would send its password.
TEST(ProxySignIn, OnlyAProxyThatCarriedTheRequestGetsTheUserAccount) {
    using enum RequestRoute::Way;
    using enum DefaultSignIn;
    struct Case {
        RequestRoute::Way way;
        bool secure, overSecureChannel;
        int status;
        bool negotiate, ntlm, answeredBefore;
        DefaultSignIn expected;
    };
    const Case cases[] = {
        {Proxy, false, false, 407, true, true, false, Negotiate},
        {Proxy, false, false, 407, false, true, false, Ntlm},
        {Proxy, false, false, 407, false, false, false, None},  // Basic: a password it lacks
        {Proxy, false, false, 407, true, false, true, None},
        {Direct, false, false, 407, true, true, false, None},
        {Proxy, true, true, 407, false, true, false, None},
        {SystemProxy, true, false, 407, false, true, false, Ntlm},
        {Proxy, false, false, 401, true, true, false, None},
    };
    for (const Case& c : cases) {
        const bool fromProxy =
            ProxyWroteResponse({.way = c.way}, c.secure, c.overSecureChannel, c.status);
        EXPECT_EQ(
            AnswerWithUserAccount({c.status, c.negotiate, c.ntlm, c.answeredBefore, fromProxy}),
            c.expected)
            << static_cast<int>(c.way) << c.secure << c.overSecureChannel << " " << c.status;
    }
    // Other refusals: a tunnel refused without the secure channel is the proxy's.
    EXPECT_TRUE(ProxyWroteResponse({.way = Proxy}, true, false, 403));
    EXPECT_FALSE(ProxyWroteResponse({.way = Proxy}, false, false, 502));
}

}  // namespace
}  // namespace nimbrel
