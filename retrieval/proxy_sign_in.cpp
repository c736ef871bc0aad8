#include "retrieval/proxy_sign_in.h"

namespace nimbrel {

namespace {

constexpr int kProxySignInRequired = 407;

}  // namespace

bool ProxyWroteResponse(const RequestRoute& route, bool secure, bool overSecureChannel,
                        int status) {
    if (route.way == RequestRoute::Way::Direct) {
        return false;
    }
    return secure ? !overSecureChannel : status == kProxySignInRequired;
}

// A 407 from a server reached directly, or from inside the secure channel, and every 401 are a
// server's: any --server or redirect target could ask, and must not get the account.
DefaultSignIn AnswerWithUserAccount(const SignInChallenge& challenge) {
    if (challenge.status != kProxySignInRequired || !challenge.fromProxy ||
        challenge.answeredBefore) {
        return DefaultSignIn::None;
    }
    if (challenge.offersNegotiate) {
        return DefaultSignIn::Negotiate;
    }
    return challenge.offersNtlm ? DefaultSignIn::Ntlm : DefaultSignIn::None;
}

}  // namespace nimbrel
