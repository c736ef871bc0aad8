// The program's one asynchronous WinHTTP session, which every transfer shares.
#pragma once

#include <windows.h>
#include <winhttp.h>

namespace nimbrel {

struct WinHttpSession {
    HINTERNET handle = nullptr;  // null when WinHTTP could not be started
    DWORD openError = 0;         // why not
    // The system refused to let the session ask for TLS 1.2, so it offers only its defaults.
    bool tlsVersionNotOffered = false;
};

// Opened at the first call, from any thread, and never closed: transfers may still be under way
// when the program ends, and their callbacks must not meet a closed session.
const WinHttpSession& ProgramSession();

}  // namespace nimbrel
