// Whether a request answers a sign-in challenge with the Windows account of the user: only a
// proxy's, and only with the schemes that carry that account without its password.
#pragma once

namespace nimbrel {

struct SignInChallenge {
    int status = 0;  // 401 from the server asked, 407 from a proxy
    bool offersNegotiate = false;
    bool offersNtlm = false;
    bool answeredBefore = false;  // this request answered a proxy already, and was refused
};

enum class DefaultSignIn { None, Negotiate, Ntlm };

// None means the challenge stands, and the request fails with it.
DefaultSignIn AnswerWithUserAccount(const SignInChallenge& challenge);

}  // namespace nimbrel
