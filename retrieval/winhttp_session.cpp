#include "retrieval/winhttp_session.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <initializer_list>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

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

// A proxy WinHTTP named, its strings freed: Direct unless it names one.
ProxySetting TakeSetting(WINHTTP_PROXY_INFO& info) {
    std::string proxy = TakeGlobal(info.lpszProxy);
    std::string bypass = TakeGlobal(info.lpszProxyBypass);
    if (info.dwAccessType != WINHTTP_ACCESS_TYPE_NAMED_PROXY || proxy.empty()) {
        return {.kind = ProxySetting::Kind::Direct};
    }
    return {
        .kind = ProxySetting::Kind::Named, .proxy = std::move(proxy), .bypass = std::move(bypass)};
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
    if (!session) {
        return std::nullopt;
    }
    WINHTTP_PROXY_INFO found{};
    const std::wstring address = Utf8ToWide(url);
    // The script's server gets the Windows account only when it asked for it, as Microsoft
    // advises.
    bool ok = WinHttpGetProxyForUrl(session, address.c_str(), &search, &found);
    if (!ok && GetLastError() == ERROR_WINHTTP_LOGIN_FAILURE) {
        search.fAutoLogonIfChallenged = TRUE;
        ok = WinHttpGetProxyForUrl(session, address.c_str(), &search, &found);
    }
    if (!ok) {
        return std::nullopt;
    }
    return TakeSetting(found);
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

std::unique_ptr<WinHttpSession> Open(const ProxySetting& setting) {
    auto session = std::make_unique<WinHttpSession>();
    session->setting = setting;
    session->handle = OpenWith(setting, WINHTTP_FLAG_ASYNC);
    if (!session->handle) {
        session->openError = GetLastError();
        return session;
    }
    session->tlsVersionNotOffered = !OfferCurrentTls(session->handle);
    return session;
}

std::unique_ptr<ProxyLookUp> LookUpFor(const InternetOptions& options, const std::string& url) {
    return std::make_unique<ProxyLookUp>(
        [options, url] { return LookUpProxy(options, url); },
        [](ProxyLookUp::Task task) { std::thread(std::move(task)).detach(); },
        [](ProxyLookUp::Task task, std::chrono::milliseconds delay) {
            std::thread([task = std::move(task), delay] {
                std::this_thread::sleep_for(delay);
                task();
            }).detach();
        },
        // GetTickCount64 rather than steady_clock, whose MinGW run-time imports the clock setters.
        [] {
            return std::chrono::steady_clock::time_point(
                std::chrono::milliseconds(GetTickCount64()));
        });
}

// What netsh winhttp set proxy named, which a default session uses.
std::optional<ProxySetting> NetshProxy() {
    WINHTTP_PROXY_INFO info{};
    if (!WinHttpGetDefaultProxyConfiguration(&info)) {
        return std::nullopt;
    }
    return TakeSetting(info);
}

// "https://host:port", in lower case: what a proxy decision depends on.
std::string OriginOf(const std::string& url) {
    const auto scheme = url.find("://");
    const auto path = url.find_first_of("/?#", scheme == std::string::npos ? 0 : scheme + 3);
    std::string origin = url.substr(0, path);
    for (char& c : origin) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return origin;
}

// Every session and look-up of the run, never closed (see the header), and what the system's
// settings say, read once.
class Routes {
  public:
    Route For(const std::string& url) {
        std::lock_guard lock(mutex_);
        const ProxyChoice chosen = ChooseProxy(
            EnvironmentProxy(), url, [this] { return AutomaticTaken(); },
            [this] { return Options(); });
        const ProxySetting setting = chosen.session;
        Route route{.session = &SessionWith(setting),
                    .setting = setting,
                    .proxySource = chosen.source,
                    .netsh = Netsh()};
        if (!chosen.unusable.empty() && !std::exchange(noticeGiven_, true)) {
            route.notice = chosen.unusable;
        }
        if (chosen.lookUp) {
            auto& lookUp = lookUps_[OriginOf(url)];
            if (!lookUp) {
                lookUp = LookUpFor(*chosen.internetOptions, url);
            }
            route.lookUp = lookUp.get();
        }
        return route;
    }

    void ForgetLookUps() {
        std::lock_guard lock(mutex_);
        for (auto& [origin, lookUp] : lookUps_) {
            lookUp->Forget();
        }
    }

  private:
    const WinHttpSession& SessionWith(const ProxySetting& setting) {
        for (const auto& session : sessions_) {
            if (session->setting == setting) {
                return *session;
            }
        }
        return *sessions_.emplace_back(Open(setting));
    }

    // Windows 8.1 and later open a session with the system's automatic proxy.
    bool AutomaticTaken() {
        if (!automatic_) {
            const ProxySetting setting{.kind = ProxySetting::Kind::Automatic};
            automatic_ = SessionWith(setting).handle != nullptr;
            if (!*automatic_) {
                std::erase_if(sessions_,
                              [&](const auto& session) { return session->setting == setting; });
            }
        }
        return *automatic_;
    }

    const std::optional<ProxySetting>& Netsh() {
        if (!netsh_) {
            netsh_ = NetshProxy();
        }
        return *netsh_;
    }

    std::optional<InternetOptions> Options() {
        if (!options_) {
            options_ = ReadInternetOptions();
        }
        return *options_;
    }

    std::mutex mutex_;
    std::vector<std::unique_ptr<WinHttpSession>> sessions_;
    std::map<std::string, std::unique_ptr<ProxyLookUp>> lookUps_;
    std::optional<bool> automatic_;
    std::optional<std::optional<ProxySetting>> netsh_;
    std::optional<std::optional<InternetOptions>> options_;
    bool noticeGiven_ = false;
};

Routes& TheRoutes() {
    // Leaked on purpose, for the reason given in the header.
    static Routes* const routes = new Routes;
    return *routes;
}

}  // namespace

Route RouteFor(const std::string& url) {
    return TheRoutes().For(url);
}

void ForgetProxyLookUps() {
    TheRoutes().ForgetLookUps();
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
