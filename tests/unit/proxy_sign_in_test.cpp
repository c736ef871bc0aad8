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
        {{.status = 407, .offersNegotiate = true, .offersNtlm = true}, DefaultSignIn::Negotiate},
        {{.status = 407, .offersNtlm = true}, DefaultSignIn::Ntlm},
        {{.status = 407}, DefaultSignIn::None},  // Basic or Digest: a password it does not have
        {{.status = 407, .offersNegotiate = true, .answeredBefore = true}, DefaultSignIn::None},
        {{.status = 401, .offersNegotiate = true, .offersNtlm = true}, DefaultSignIn::None},
        {{.status = 200, .offersNtlm = true}, DefaultSignIn::None},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AnswerWithUserAccount(c.challenge), c.expected)
            << c.challenge.status << " " << c.challenge.offersNegotiate << c.challenge.offersNtlm
            << c.challenge.answeredBefore;
    }
}

}  // namespace
}  // namespace nimbrel
