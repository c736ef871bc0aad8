// The program's WinHTTP sessions, one for each proxy setting, and the way each request goes.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "retrieval/proxy_choice.h"

namespace nimbrel {

// One asynchronous session for each distinct proxy setting: Wine ignores a request's own proxy.
struct WinHttpSession {
    ProxySetting setting{};
    HINTERNET handle = nullptr;  // null when WinHTTP could not be started
    DWORD openError = 0;         // why not
    // The system refused to let the session ask for TLS 1.2, so it offers only its defaults.
    bool tlsVersionNotOffered = false;
};

// How one request goes: decided for its scheme and host, no_proxy included. A redirect keeps
// its request's setting, whatever scheme it leads to; RouteOf tells the way each address takes.
struct Route {
    const WinHttpSession* session = nullptr;
    // The session's setting, and where its proxy came from, for the user.
    ProxySetting setting{};
    std::string proxySource{};
    // WinHTTP's own setting (netsh), which a Default session takes; empty when unreadable.
    std::optional<ProxySetting> netsh{};
    // For the user, in the first route only that has it: a proxy variable that names a proxy
    // the program cannot use.
    std::string notice{};
    // Auto-detect or a PAC address in Internet Options: the proxy the request is to use.
    ProxyLookUp* lookUp = nullptr;
};

// From any thread. Sessions are opened at first need and never closed: transfers may still be
// under way when the program ends, and their callbacks must not meet a closed session.
Route RouteFor(const std::string& url);

// The PC woke from sleep: a laptop that slept at the office may wake at home, so what the proxy
// look-ups found is looked for again. From any thread.
void ForgetProxyLookUps();

// Makes a request go through `setting` instead of the session's proxy.
bool SetRequestProxy(HINTERNET request, const ProxySetting& setting);

}  // namespace nimbrel
