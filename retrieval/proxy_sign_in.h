// Whether a request answers a sign-in challenge with the Windows account of the user: only a
// proxy's that carried the request, and only with the schemes that carry that account without
// its password.
#pragma once

#include "retrieval/proxy_choice.h"

namespace nimbrel {

// Whether a proxy on `route` wrote a response with `status`, rather than the server. Over HTTPS
// the server answers only through the secure channel, so an answer without one is the proxy's,
// such as its refusal of the tunnel; over plain HTTP only a 407 is taken for the proxy's own.
bool ProxyWroteResponse(const RequestRoute& route, bool secure, bool overSecureChannel, int status);

struct SignInChallenge {
    int status = 0;  // 401 from the server asked, 407 from a proxy
    bool offersNegotiate = false;
    bool offersNtlm = false;
    bool answeredBefore = false;  // this request answered a proxy already, and was refused
    bool fromProxy = false;       // as ProxyWroteResponse says
};

enum class DefaultSignIn { None, Negotiate, Ntlm };

// None means the challenge stands, and the request fails with it.
DefaultSignIn AnswerWithUserAccount(const SignInChallenge& challenge);

}  // namespace nimbrel
