// Which proxy a request uses: from the environment, as curl reads it, else from the system; and
// the way each request then takes.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

// How the session or a request reaches the server.
struct ProxySetting {
    enum class Kind {
        Named,      // through `proxy` (host:port), except for the hosts of `bypass`
        Direct,     // no proxy
        Automatic,  // the system's own choice, Windows 8.1 and later
        Default,    // WinHTTP's own setting (netsh), which names no proxy unless one was set
    };
    Kind kind = Kind::Default;
    std::string proxy{};
    std::string bypass{};  // WinHTTP's form: entries separated by ';', "*." wildcards

    bool operator==(const ProxySetting&) const = default;
};

// The variables as the environment has them; Windows reads their names in either case.
struct ProxyVariables {
    std::optional<std::string> httpsProxy{};
    std::optional<std::string> httpProxy{};
    std::optional<std::string> noProxy{};
};

// The proxy the environment names for `url`'s scheme, as curl reads it: https_proxy for an
// https:// address, http_proxy for http://. Nothing when it names none, Direct when no_proxy
// covers the server.
std::optional<ProxySetting> ProxyFromEnvironment(const ProxyVariables& variables,
                                                 std::string_view url);

// Internet Options, as WinHttpGetIEProxyConfigForCurrentUser reports them.
struct InternetOptions {
    bool autoDetect = false;
    std::string autoConfigUrl{};
    std::string proxy{};  // may name one per scheme: "http=host:port;https=host:port"
    std::string bypass{};
};

// Internet Options as Windows 7 takes them, which every Windows follows here: the proxy each
// request takes is then known, where Windows 8.1's automatic proxy would not tell it.
struct InternetOptionsProxy {
    // Also what a request uses when the look-up fails, as Internet Explorer does.
    ProxySetting session{};
    // Auto-detect or a PAC address: ask WinHttpGetProxyForUrl, whose answer each request then
    // uses.
    bool lookUp = false;
};

// Where the answer of a look-up came from, as ProxyChoice::source says it.
inline constexpr char kLookedUpProxySource[] = "the automatic configuration of Internet Options";
// Where WinHTTP's own proxy setting came from.
inline constexpr char kNetshProxySource[] = "netsh winhttp";

// The proxy of a WinHTTP proxy list ("http=a:80;https=b:443", or one for every scheme) that
// carries an address of the scheme `secure` says; empty when the list names none for it.
std::string ProxyForScheme(std::string_view list, bool secure);

// `options` is empty when they could not be read.
InternetOptionsProxy ProxyFromInternetOptions(const std::optional<InternetOptions>& options);

// The whole choice, in its order: the environment; else Internet Options, read by
// `internetOptions` only then, as Windows 7 takes them, so that the program knows each request's
// way; else, where they cannot be read, the system's automatic proxy, where `automaticTaken`
// (which opens the session with it) says the system knows one.
struct ProxyChoice {
    ProxySetting session{};
    bool lookUp = false;  // as InternetOptionsProxy
    std::optional<InternetOptions> internetOptions{};
    // Where a Named proxy came from, for the user: "https_proxy", "Internet Options"; empty when
    // the system chooses by itself.
    std::string source{};
    // What the user is told once when the proxy variable of the address's scheme names a proxy
    // this program cannot use, such as socks5://; the system's setting holds instead.
    std::string unusable{};
};
ProxyChoice ChooseProxy(const ProxyVariables& variables, std::string_view url,
                        const std::function<bool()>& automaticTaken,
                        const std::function<std::optional<InternetOptions>()>& internetOptions);

// The way one request goes, as far as the program can tell: straight to its server, through a
// proxy it knows, or by the system's own choice, which may be a proxy it cannot name.
struct RequestRoute {
    enum class Way { Direct, Proxy, SystemProxy };
    Way way = Way::Direct;
    std::string proxy{};   // host:port, for Proxy
    std::string source{};  // where the program found it, for Proxy

    bool operator==(const RequestRoute&) const = default;
};

// The route of `url` under `setting`, a proxy found at `source`: the proxy of its scheme unless
// the setting's bypass list covers its host. A Default setting goes WinHTTP's own way, `netsh`
// (Named or Direct); an Automatic one, or a Default one whose way cannot be read, is the
// system's own choice.
RequestRoute RouteOf(const ProxySetting& setting, std::string_view source,
                     const std::optional<ProxySetting>& netsh, std::string_view url);

// Asks `lookUp` on another thread, since it blocks for as long as a discovery takes, and hands
// its answer to every request of the run. Empty answer: the look-up failed, and the session's
// own proxy holds. A look-up that cannot start, throws, or has not answered within kLimit counts
// as failed, so that no request waits for it longer; an answer that comes later still serves the
// requests after it. A failure is tried again by the first request at least kRetryAfter later,
// and never while a look-up is under way.
class ProxyLookUp {
  public:
    using Answer = std::optional<ProxySetting>;
    using Task = std::function<void()>;
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    static constexpr std::chrono::seconds kLimit{30};
    static constexpr std::chrono::minutes kRetryAfter{5};

    // `runElsewhere` starts a task on another thread; `runAfter` runs one after a delay. Either
    // may throw when it cannot.
    ProxyLookUp(std::function<Answer()> lookUp, std::function<void(Task)> runElsewhere,
                std::function<void(Task, std::chrono::milliseconds)> runAfter, Clock now)
        : lookUp_(std::move(lookUp)),
          runElsewhere_(std::move(runElsewhere)),
          runAfter_(std::move(runAfter)),
          now_(std::move(now)) {}

    // Runs `then` with the answer: at once when it is known, else on the thread that decides.
    void WhenKnown(std::function<void(const Answer&)> then);
    // The answer may no longer hold (the computer woke elsewhere, or its proxy failed): the next
    // request looks again.
    void Forget();

  private:
    bool AnswerHolds() const;
    void LookUp(unsigned attempt);
    void TimeOut(unsigned attempt);
    // Sets the answer and hands it to the waiting requests; takes the lock and releases it.
    void Decide(std::unique_lock<std::mutex>& lock, const Answer& answer);

    const std::function<Answer()> lookUp_;
    const std::function<void(Task)> runElsewhere_;
    const std::function<void(Task, std::chrono::milliseconds)> runAfter_;
    const Clock now_;
    std::mutex mutex_;
    bool running_ = false;  // a look-up is under way, perhaps past its limit
    unsigned attempt_ = 0;
    std::optional<Answer> answer_;  // none while the current attempt is undecided
    std::chrono::steady_clock::time_point failedAt_{};
    std::vector<std::function<void(const Answer&)>> waiting_;
};

}  // namespace nimbrel
