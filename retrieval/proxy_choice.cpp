#include "retrieval/proxy_choice.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <system_error>
#include <utility>

namespace nimbrel {

namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The host of an http:// or https:// address, in lower case; "[::1]" keeps its brackets.
std::string HostOf(std::string_view url) {
    const auto scheme = url.find("://");
    std::string_view rest = scheme == std::string_view::npos ? url : url.substr(scheme + 3);
    rest = rest.substr(0, rest.find_first_of("/?#"));
    rest = rest.substr(rest.rfind('@') == std::string_view::npos ? 0 : rest.rfind('@') + 1);
    if (StartsWith(rest, "[")) {
        return Lower(rest.substr(0, rest.find(']') + 1));
    }
    return Lower(rest.substr(0, rest.find(':')));
}

bool IsSchemeName(std::string_view name) {
    return !name.empty() && std::isalpha(static_cast<unsigned char>(name[0])) &&
           std::all_of(name.begin(), name.end(), [](unsigned char c) {
               return std::isalnum(c) || c == '+' || c == '-' || c == '.';
           });
}

// A sign-in may hold any character, '/' and '@' among them: what follows the last '@' is the
// proxy, and nothing before it is ever shown.
std::string_view WithoutSignIn(std::string_view address) {
    const auto at = address.rfind('@');
    return at == std::string_view::npos ? address : address.substr(at + 1);
}

bool IsPort(std::string_view text) {
    unsigned port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    return error == std::errc() && end == text.data() + text.size() && port >= 1 && port <= 65535;
}

// "host:port" of "host", "host:port" or "[v6]:port", with curl's port 1080 when none is given;
// nothing without a host or with a port that is not one.
std::optional<std::string> HostAndPort(std::string_view rest) {
    const auto bracket = rest.rfind(']');
    const auto colon = rest.rfind(':');
    const bool hasPort =
        colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket);
    if (rest.substr(0, hasPort ? colon : rest.size()).empty() ||
        (hasPort && !IsPort(rest.substr(colon + 1)))) {
        return std::nullopt;
    }
    return hasPort ? std::string(rest) : std::string(rest) + ":1080";
}

// curl's forms: "http://host:port/", "host:port", "host", with or without a sign-in, which
// WinHTTP would not take from here; WinHTTP wants "host:port" and nothing else. Nothing for a
// proxy spoken to in another protocol (https://, socks5://), which WinHTTP cannot use.
std::optional<std::string> ProxyAddress(std::string_view value) {
    const std::string text = Lower(Trim(value));
    const auto scheme = text.find("://");
    const std::string_view name = std::string_view(text).substr(0, scheme);
    if (scheme != std::string::npos && IsSchemeName(name) && name != "http") {
        return std::nullopt;
    }
    std::string_view rest = WithoutSignIn(text);
    if (rest.size() == text.size() && StartsWith(rest, "http://")) {
        rest.remove_prefix(7);
    }
    return HostAndPort(rest.substr(0, rest.find('/')));
}

std::vector<std::string> NoProxyEntries(std::string_view list) {
    std::vector<std::string> entries;
    while (!list.empty()) {
        const auto comma = list.find(',');
        std::string entry = Lower(Trim(list.substr(0, comma)));
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        if (StartsWith(entry, ".")) {
            entry.erase(0, 1);
        }
        if (!entry.empty()) {
            entries.push_back(entry);
        }
    }
    return entries;
}

// An IPv6 address is written with brackets in an address and often without in no_proxy.
std::string_view Unbracketed(std::string_view host) {
    return StartsWith(host, "[") && host.ends_with("]") ? host.substr(1, host.size() - 2) : host;
}

// As curl matches: "*" is every host; a name is itself and every host under it.
bool Covers(const std::string& entry, const std::string& host) {
    return entry == "*" || Unbracketed(host) == Unbracketed(entry) ||
           (host.size() > entry.size() && host.ends_with("." + entry));
}

// "socks5://": the kind of proxy a variable names, without its address or sign-in.
std::string SchemeOf(std::string_view value) {
    const std::string text = Lower(Trim(value));
    const auto scheme = text.find("://");
    return scheme == std::string::npos ? text : text.substr(0, scheme + 3);
}

// Names the scheme only, never what stands before an '@': that may be a password.
std::string UnusableProxyNotice(const char* variable, std::string_view value) {
    const std::string scheme = SchemeOf(value);
    const std::string_view name = std::string_view(scheme).substr(0, scheme.find("://"));
    const bool otherScheme = scheme.ends_with("://") && name != "http" && IsSchemeName(name);
    return std::string(variable) +
           (otherScheme ? " names a " + scheme +
                              " proxy, which Nimbrel cannot use (only http:// "
                              "proxies)"
                        : std::string(" names no proxy host")) +
           ": Windows' proxy settings hold instead";
}

bool IsSecure(std::string_view url) {
    return StartsWith(Lower(url.substr(0, 8)), "https://");
}

const char* VariableFor(std::string_view url) {
    return IsSecure(url) ? "https_proxy" : "http_proxy";
}

std::string BypassList(const std::vector<std::string>& entries) {
    std::string bypass;
    for (const std::string& entry : entries) {
        bypass += (bypass.empty() ? "" : ";") + entry + ";*." + entry;
    }
    return bypass;
}

ProxySetting Named(std::string proxy, std::string bypass) {
    return {
        .kind = ProxySetting::Kind::Named, .proxy = std::move(proxy), .bypass = std::move(bypass)};
}

// '*' stands for any run of characters, as in WinHTTP's bypass lists.
bool WildcardMatches(std::string_view pattern, std::string_view text) {
    std::size_t p = 0;
    std::size_t t = 0;
    std::size_t star = std::string_view::npos;
    std::size_t resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    return pattern.find_first_not_of('*', p) == std::string_view::npos;
}

// WinHTTP's bypass list: entries separated by ';' or white space, '*' wildcards, and "<local>"
// for every host without a dot.
bool Bypassed(std::string_view list, const std::string& host) {
    while (!list.empty()) {
        const auto end = list.find_first_of("; \t");
        const std::string entry = Lower(list.substr(0, end));
        list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
        const bool local = entry == "<local>" && host.find_first_of(".:") == std::string::npos;
        if (local || (!entry.empty() && (WildcardMatches(entry, host) ||
                                         WildcardMatches(entry, Unbracketed(host))))) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::optional<ProxySetting> ProxyFromEnvironment(const ProxyVariables& variables,
                                                 std::string_view url) {
    const std::optional<std::string>& value =
        IsSecure(url) ? variables.httpsProxy : variables.httpProxy;
    if (!value) {
        return std::nullopt;
    }
    const std::optional<std::string> proxy = ProxyAddress(*value);
    if (!proxy) {
        return std::nullopt;
    }
    const std::vector<std::string> entries = NoProxyEntries(variables.noProxy.value_or(""));
    const std::string host = HostOf(url);
    if (std::any_of(entries.begin(), entries.end(),
                    [&](const std::string& entry) { return Covers(entry, host); })) {
        return ProxySetting{.kind = ProxySetting::Kind::Direct};
    }
    return Named(*proxy, BypassList(entries));
}

InternetOptionsProxy ProxyFromInternetOptions(const std::optional<InternetOptions>& options) {
    if (!options) {
        return {};
    }
    // Without a proxy here, WinHTTP's own setting still counts.
    const ProxySetting session =
        options->proxy.empty() ? ProxySetting{} : Named(options->proxy, options->bypass);
    return {.session = session, .lookUp = options->autoDetect || !options->autoConfigUrl.empty()};
}

ProxyChoice ChooseProxy(const ProxyVariables& variables, std::string_view url,
                        const std::function<bool()>& automaticTaken,
                        const std::function<std::optional<InternetOptions>()>& internetOptions) {
    if (auto fromEnvironment = ProxyFromEnvironment(variables, url)) {
        const bool named = fromEnvironment->kind == ProxySetting::Kind::Named;
        return {.session = std::move(*fromEnvironment), .source = named ? VariableFor(url) : ""};
    }
    const std::optional<std::string>& variable =
        IsSecure(url) ? variables.httpsProxy : variables.httpProxy;
    const bool named = variable && !Trim(*variable).empty();
    const std::string unusable = named ? UnusableProxyNotice(VariableFor(url), *variable) : "";
    std::optional<InternetOptions> options = internetOptions();
    if (!options && automaticTaken()) {
        return {.session = {.kind = ProxySetting::Kind::Automatic}, .unusable = unusable};
    }
    InternetOptionsProxy older = ProxyFromInternetOptions(options);
    const bool fromOptions = older.session.kind == ProxySetting::Kind::Named;
    return {.session = std::move(older.session),
            .lookUp = older.lookUp,
            .internetOptions = std::move(options),
            .source = fromOptions ? "Internet Options" : "",
            .unusable = unusable};
}

// Entries are separated by ';' or white space; "scheme=" limits one to a scheme, and an
// "http://" before the address is allowed.
std::string ProxyForScheme(std::string_view list, bool secure) {
    const std::string_view scheme = secure ? "https=" : "http=";
    std::string forEveryScheme;
    while (!list.empty()) {
        const auto end = list.find_first_of("; \t");
        std::string entry = Lower(list.substr(0, end));
        list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
        const auto equals = entry.find('=');
        std::string address = entry.substr(equals == std::string::npos ? 0 : equals + 1);
        if (StartsWith(address, "http://")) {
            address.erase(0, 7);
        }
        address = std::string(WithoutSignIn(address));
        if (address.empty()) {
            continue;
        }
        if (StartsWith(entry, scheme)) {
            return address;
        }
        if (equals == std::string::npos && forEveryScheme.empty()) {
            forEveryScheme = address;
        }
    }
    return forEveryScheme;
}

RequestRoute RouteOf(const ProxySetting& setting, std::string_view source,
                     const std::optional<ProxySetting>& netsh, std::string_view url) {
    switch (setting.kind) {
        case ProxySetting::Kind::Direct:
            return {};
        case ProxySetting::Kind::Default:
            if (netsh && netsh->kind != ProxySetting::Kind::Default) {
                return RouteOf(*netsh, kNetshProxySource, std::nullopt, url);
            }
            return {.way = RequestRoute::Way::SystemProxy};
        case ProxySetting::Kind::Automatic:
            return {.way = RequestRoute::Way::SystemProxy};
        case ProxySetting::Kind::Named:
            break;
    }
    std::string proxy = ProxyForScheme(setting.proxy, IsSecure(url));
    if (proxy.empty() || Bypassed(setting.bypass, HostOf(url))) {
        return {};
    }
    return {
        .way = RequestRoute::Way::Proxy, .proxy = std::move(proxy), .source = std::string(source)};
}

// A failure holds for kRetryAfter; a look-up past its limit that has not ended blocks a retry.
bool ProxyLookUp::AnswerHolds() const {
    return answer_ && (answer_->has_value() || running_ || now_() - failedAt_ < kRetryAfter);
}

void ProxyLookUp::Forget() {
    std::lock_guard lock(mutex_);
    if (!running_) {
        answer_.reset();
    }
}

void ProxyLookUp::WhenKnown(std::function<void(const Answer&)> then) {
    std::unique_lock lock(mutex_);
    if (AnswerHolds()) {
        const Answer answer = *answer_;
        lock.unlock();
        then(answer);
        return;
    }
    waiting_.push_back(std::move(then));
    if (running_) {
        return;
    }
    running_ = true;
    answer_.reset();
    const unsigned attempt = ++attempt_;
    lock.unlock();
    try {
        runAfter_([this, attempt] { TimeOut(attempt); }, kLimit);
        runElsewhere_([this, attempt] { LookUp(attempt); });
    } catch (...) {
        lock.lock();
        running_ = false;
        Decide(lock, std::nullopt);
    }
}

// Nothing may escape the look-up's own thread. A late answer replaces the time-out's failure,
// whose time a late failure keeps.
void ProxyLookUp::LookUp(unsigned attempt) {
    Answer answer;
    try {
        answer = lookUp_();
    } catch (...) {
        answer.reset();
    }
    std::unique_lock lock(mutex_);
    if (attempt != attempt_) {
        return;
    }
    running_ = false;
    if (answer_ && !answer) {
        return;
    }
    Decide(lock, answer);
}

void ProxyLookUp::TimeOut(unsigned attempt) {
    std::unique_lock lock(mutex_);
    if (attempt == attempt_ && !answer_) {
        Decide(lock, std::nullopt);
    }
}

void ProxyLookUp::Decide(std::unique_lock<std::mutex>& lock, const Answer& answer) {
    answer_ = answer;
    if (!answer) {
        failedAt_ = now_();
    }
    std::vector<std::function<void(const Answer&)>> waiting;
    waiting.swap(waiting_);
    lock.unlock();
    for (const auto& then : waiting) {
        try {
            then(answer);
        } catch (...) {
            // Each request ends itself on its failures; one must not hold up the others.
        }
    }
}

}  // namespace nimbrel
