// The program's one asynchronous WinHTTP session, which every transfer shares, and the proxy it
// goes through.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <memory>
#include <string>
#include <string_view>

#include "retrieval/proxy_choice.h"

namespace nimbrel {

struct WinHttpSession {
    HINTERNET handle = nullptr;  // null when WinHTTP could not be started
    DWORD openError = 0;         // why not
    // The system refused to let the session ask for TLS 1.2, so it offers only its defaults.
    bool tlsVersionNotOffered = false;
    // The proxy the session was opened with, as host:port; empty when none was named.
    std::string proxy{};
    // Windows before 8.1 with auto-detect or a PAC address: the proxy each request is to use.
    std::unique_ptr<ProxyLookUpOnce> lookUp{};
};

// Opened at the first call, from any thread, and never closed: transfers may still be under way
// when the program ends, and their callbacks must not meet a closed session. The program talks
// to one server, so the first call's address decides the proxy for the run.
const WinHttpSession& ProgramSession(std::string_view firstUrl = {});

// Makes a request go through `setting` instead of the session's proxy.
bool SetRequestProxy(HINTERNET request, const ProxySetting& setting);

}  // namespace nimbrel
