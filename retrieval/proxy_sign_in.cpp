#include "retrieval/proxy_sign_in.h"

namespace nimbrel {

namespace {

constexpr int kProxySignInRequired = 407;

}  // namespace

// A server's 401 never gets the account: any --server or redirect target could ask for it.
DefaultSignIn AnswerWithUserAccount(const SignInChallenge& challenge) {
    if (challenge.status != kProxySignInRequired || challenge.answeredBefore) {
        return DefaultSignIn::None;
    }
    if (challenge.offersNegotiate) {
        return DefaultSignIn::Negotiate;
    }
    return challenge.offersNtlm ? DefaultSignIn::Ntlm : DefaultSignIn::None;
}

}  // namespace nimbrel
