#include "retrieval/winhttp_session.h"

#include <initializer_list>

#include "util/version.h"

namespace nimbrel {

namespace {

constexpr wchar_t kUserAgent[] = L"Nimbrel/" NIMBREL_VERSION_TEXT;

HINTERNET OpenSession() {
    HINTERNET session =
        WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                    WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
    // Windows before 8.1 knows no automatic proxy; its configured default proxy stands in.
    if (!session) {
        session = WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                              WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
    }
    return session;
}

// Windows 7 offers only TLS 1.0 unless asked, and NOAA's server wants 1.2. A system that knows
// no TLS 1.3 refuses the whole set, so 1.2 alone is asked next. False when both are refused.
bool OfferCurrentTls(HINTERNET session) {
    constexpr DWORD kTls12 = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
    for (DWORD protocols : {kTls12 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3, kTls12}) {
        if (WinHttpSetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols,
                             sizeof protocols)) {
            return true;
        }
    }
    return false;
}

WinHttpSession Open() {
    WinHttpSession session;
    session.handle = OpenSession();
    if (!session.handle) {
        session.openError = GetLastError();
        return session;
    }
    session.tlsVersionNotOffered = !OfferCurrentTls(session.handle);
    return session;
}

}  // namespace

const WinHttpSession& ProgramSession() {
    // Leaked on purpose, for the reason given in the header.
    static const WinHttpSession* const session = new WinHttpSession(Open());
    return *session;
}

}  // namespace nimbrel
