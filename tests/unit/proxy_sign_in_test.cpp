#include "retrieval/proxy_sign_in.h"

#include <gtest/gtest.h>

namespace nimbrel {
namespace {

// The user's Windows account goes to a proxy that asks with NTLM or Negotiate, once per
// request; never to a server, never in a scheme that would send its password.
TEST(ProxySignIn, OnlyAProxyThatAsksGetsTheUserAccount) {
    struct Case {
        SignInChallenge challenge;
        DefaultSignIn expected;
    };
    const Case cases[] = {
        {{.status = 407, .offersNegotiate = true, .offersNtlm = true, .fromProxy = true},
         DefaultSignIn::Negotiate},
        {{.status = 407, .offersNtlm = true, .fromProxy = true}, DefaultSignIn::Ntlm},
        // Basic or Digest: a password it does not have.
        {{.status = 407, .fromProxy = true}, DefaultSignIn::None},
        {{.status = 407, .offersNegotiate = true, .answeredBefore = true, .fromProxy = true},
         DefaultSignIn::None},
        // A server that answers as a proxy would.
        {{.status = 407, .offersNegotiate = true, .offersNtlm = true}, DefaultSignIn::None},
        {{.status = 401, .offersNegotiate = true, .offersNtlm = true, .fromProxy = true},
         DefaultSignIn::None},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AnswerWithUserAccount(c.challenge), c.expected)
            << c.challenge.status << " " << c.challenge.offersNegotiate << c.challenge.offersNtlm
            << c.challenge.answeredBefore << c.challenge.fromProxy;
    }
}

// Only a request that went through a proxy, or may have by the system's choice, hears one; over
// HTTPS what came through the secure channel is the server's whatever its status.
TEST(ProxySignIn, WhoWroteTheResponse) {
    using Way = RequestRoute::Way;
    struct Case {
        Way way;
        bool secure;
        bool overSecureChannel;
        int status;
        bool fromProxy;
    };
    const Case cases[] = {
        {Way::Direct, false, false, 407, false},    {Way::Direct, true, false, 403, false},
        {Way::Proxy, false, false, 407, true},      {Way::Proxy, false, false, 502, false},
        {Way::Proxy, true, false, 403, true},       {Way::Proxy, true, true, 407, false},
        {Way::SystemProxy, true, false, 407, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProxyWroteResponse({.way = c.way}, c.secure, c.overSecureChannel, c.status),
                  c.fromProxy)
            << static_cast<int>(c.way) << c.secure << c.overSecureChannel << " " << c.status;
    }
}

}  // namespace
}  // namespace nimbrel
