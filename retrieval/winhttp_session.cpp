#include "retrieval/winhttp_session.h"

#include <initializer_list>
#include <optional>
#include <thread>

#include "util/version.h"
#include "util/win32_text.h"

namespace nimbrel {

namespace {

constexpr wchar_t kUserAgent[] = L"Nimbrel/" NIMBREL_VERSION_TEXT;

// Windows finds a variable whatever the case of its name.
std::optional<std::string> Variable(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) {
        return std::nullopt;
    }
    std::wstring value(size, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), size));
    return WideToUtf8(value);
}

ProxyVariables EnvironmentProxy() {
    return {.httpsProxy = Variable(L"https_proxy"),
            .httpProxy = Variable(L"http_proxy"),
            .noProxy = Variable(L"no_proxy")};
}

// What GlobalAlloc gave, freed when done.
std::string TakeGlobal(wchar_t* text) {
    if (!text) {
        return {};
    }
    std::string taken = WideToUtf8(text);
    GlobalFree(text);
    return taken;
}

std::optional<InternetOptions> ReadInternetOptions() {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
    if (!WinHttpGetIEProxyConfigForCurrentUser(&config)) {
        return std::nullopt;
    }
    return InternetOptions{.autoDetect = config.fAutoDetect != FALSE,
                           .autoConfigUrl = TakeGlobal(config.lpszAutoConfigUrl),
                           .proxy = TakeGlobal(config.lpszProxy),
                           .bypass = TakeGlobal(config.lpszProxyBypass)};
}

HINTERNET OpenWith(const ProxySetting& setting, DWORD flags) {
    DWORD access = WINHTTP_ACCESS_TYPE_DEFAULT_PROXY;
    switch (setting.kind) {
        case ProxySetting::Kind::Named:
            access = WINHTTP_ACCESS_TYPE_NAMED_PROXY;
            break;
        case ProxySetting::Kind::Direct:
            access = WINHTTP_ACCESS_TYPE_NO_PROXY;
            break;
        case ProxySetting::Kind::Automatic:
            access = WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY;
            break;
        case ProxySetting::Kind::Default:
            break;
    }
    const bool named = setting.kind == ProxySetting::Kind::Named;
    const std::wstring proxy = Utf8ToWide(setting.proxy);
    const std::wstring bypass = Utf8ToWide(setting.bypass);
    return WinHttpOpen(kUserAgent, access, named ? proxy.c_str() : WINHTTP_NO_PROXY_NAME,
                       named && !bypass.empty() ? bypass.c_str() : WINHTTP_NO_PROXY_BYPASS, flags);
}

// Blocks for as long as finding the proxy takes (WPAD, a PAC script), so never on the
// user-interface thread. It has a session of its own: the function wants a synchronous one.
std::optional<ProxySetting> LookUpProxy(const InternetOptions& options, const std::string& url) {
    static const HINTERNET session = WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_NO_PROXY,
                                                 WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    WINHTTP_AUTOPROXY_OPTIONS search{};
    const std::wstring script = Utf8ToWide(options.autoConfigUrl);
    if (options.autoDetect) {
        search.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
        search.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    }
    if (!script.empty()) {
        search.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
        search.lpszAutoConfigUrl = script.c_str();
    }
    search.fAutoLogonIfChallenged = TRUE;
    WINHTTP_PROXY_INFO found{};
    if (!session || !WinHttpGetProxyForUrl(session, Utf8ToWide(url).c_str(), &search, &found)) {
        return std::nullopt;
    }
    const std::string proxy = TakeGlobal(found.lpszProxy);
    const std::string bypass = TakeGlobal(found.lpszProxyBypass);
    if (found.dwAccessType != WINHTTP_ACCESS_TYPE_NAMED_PROXY || proxy.empty()) {
        return ProxySetting{.kind = ProxySetting::Kind::Direct};
    }
    return ProxySetting{.kind = ProxySetting::Kind::Named, .proxy = proxy, .bypass = bypass};
}

void OpenSession(WinHttpSession& session, const std::string& url) {
    const ProxyChoice chosen = ChooseProxy(
        EnvironmentProxy(), url,
        [&] {
            session.handle = OpenWith({.kind = ProxySetting::Kind::Automatic}, WINHTTP_FLAG_ASYNC);
            return session.handle != nullptr;
        },
        ReadInternetOptions);
    if (!session.handle) {
        session.handle = OpenWith(chosen.session, WINHTTP_FLAG_ASYNC);
    }
    session.proxy = chosen.session.proxy;
    if (chosen.lookUp) {
        session.lookUp = std::make_unique<ProxyLookUpOnce>(
            [options = *chosen.internetOptions, url] { return LookUpProxy(options, url); },
            [](ProxyLookUpOnce::Task task) { std::thread(std::move(task)).detach(); });
    }
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

WinHttpSession* Open(const std::string& url) {
    auto* session = new WinHttpSession;
    OpenSession(*session, url);
    if (!session->handle) {
        session->openError = GetLastError();
        return session;
    }
    session->tlsVersionNotOffered = !OfferCurrentTls(session->handle);
    return session;
}

}  // namespace

const WinHttpSession& ProgramSession(std::string_view firstUrl) {
    // Leaked on purpose, for the reason given in the header.
    static const WinHttpSession* const session = Open(std::string(firstUrl));
    return *session;
}

bool SetRequestProxy(HINTERNET request, const ProxySetting& setting) {
    std::wstring proxy = Utf8ToWide(setting.proxy);
    std::wstring bypass = Utf8ToWide(setting.bypass);
    WINHTTP_PROXY_INFO info{};
    info.dwAccessType = setting.kind == ProxySetting::Kind::Named ? WINHTTP_ACCESS_TYPE_NAMED_PROXY
                                                                  : WINHTTP_ACCESS_TYPE_NO_PROXY;
    if (setting.kind == ProxySetting::Kind::Named) {
        info.lpszProxy = proxy.data();
        info.lpszProxyBypass = bypass.empty() ? nullptr : bypass.data();
    }
    return WinHttpSetOption(request, WINHTTP_OPTION_PROXY, &info, sizeof info);
}

}  // namespace nimbrel
