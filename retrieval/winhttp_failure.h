// WinHTTP's error codes as transfer failures.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <exception>
#include <string>

#include "retrieval/http_control.h"

namespace nimbrel {

// Where a transfer stood when WinHTTP reported an error.
struct TransferSituation {
    std::string server{};  // host:port of the server last asked
    bool connected = false;
    std::uint64_t receivedBytes = 0;
    std::chrono::milliseconds inactivityLimit{0};
    DWORD secureFailureFlags = 0;       // WINHTTP_CALLBACK_STATUS_FLAG_... of a secure failure
    bool tlsVersionNotOffered = false;  // the session could not ask for TLS 1.2
    std::string proxy{};                // host:port of the proxy the request goes through
    std::string proxySource{};          // where the program found it
    bool proxyToBlame = false;          // as ProxyToBlame says
};

// An error of the connection or of the exchange with the server.
TransferFailure WinHttpFailure(DWORD code, const TransferSituation& situation);

// A failure that only its text can explain, such as a step of WinHTTP's own set-up.
TransferFailure StepFailure(const std::string& what, DWORD code);

// A transfer ended by an exception while its body was held or handed on; a want of memory says
// so plainly, anything else after `context`.
TransferFailure ExceptionFailure(const std::exception& error, const std::string& context);

}  // namespace nimbrel
