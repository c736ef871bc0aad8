#include "retrieval/winhttp_session.h"

namespace nimbrel {

namespace {

constexpr wchar_t kUserAgent[] = L"Nimbrel/1.00";

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

WinHttpSession Open() {
    WinHttpSession session;
    session.handle = OpenSession();
    if (!session.handle) {
        session.openError = GetLastError();
        return session;
    }
    // NOAA's servers redirect plain HTTP to HTTPS, which WinHTTP refuses unless told otherwise.
    DWORD policy = WINHTTP_OPTION_REDIRECT_POLICY_ALWAYS;
    if (!WinHttpSetOption(session.handle, WINHTTP_OPTION_REDIRECT_POLICY, &policy, sizeof policy)) {
        session.openError = GetLastError();
        WinHttpCloseHandle(session.handle);
        session.handle = nullptr;
        return session;
    }
    return session;
}

}  // namespace

const WinHttpSession& ProgramSession() {
    // Leaked on purpose, for the reason given in the header.
    static const WinHttpSession* const session = new WinHttpSession(Open());
    return *session;
}

}  // namespace nimbrel
