#include "retrieval/winhttp_failure.h"

#include <winhttp.h>

#include <new>
#include <optional>

#include "util/win32_text.h"

namespace nimbrel {

namespace {

// Some systems (Wine among them) ship winhttp.dll without message texts; these say the same.
std::optional<std::string> CommonWinHttpErrorText(DWORD code) {
    switch (code) {
        case ERROR_WINHTTP_TIMEOUT:
            return "The operation timed out.";
        case ERROR_WINHTTP_INVALID_URL:
            return "The address is not valid.";
        case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
            return "The address does not start with http:// or https://.";
        case ERROR_WINHTTP_NAME_NOT_RESOLVED:
            return "The server name could not be resolved.";
        case ERROR_WINHTTP_CANNOT_CONNECT:
            return "The server refused the connection or cannot be reached.";
        case ERROR_WINHTTP_CONNECTION_ERROR:
            return "The connection with the server was reset.";
        case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
            return "The server's response was not valid.";
        case ERROR_WINHTTP_SECURE_FAILURE:
        case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
            return "The secure connection failed.";
        case ERROR_WINHTTP_SECURE_INVALID_CA:
            return "The server's certificate is not trusted.";
        case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
            return "The server's certificate names another server.";
        case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
            return "The server's certificate has expired or is not yet valid.";
        default:
            return std::nullopt;
    }
}

std::string WinHttpErrorText(DWORD code) {
    auto text = SystemErrorDescription(code, GetModuleHandleW(L"winhttp.dll"));
    if (!text) {
        text = CommonWinHttpErrorText(code);
    }
    return text.value_or("error " + std::to_string(code));
}

bool IsSecureFailure(DWORD code) {
    switch (code) {
        case ERROR_WINHTTP_SECURE_FAILURE:
        case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
        case ERROR_WINHTTP_SECURE_INVALID_CA:
        case ERROR_WINHTTP_SECURE_INVALID_CERT:
        case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
        case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
        case ERROR_WINHTTP_SECURE_CERT_REVOKED:
        case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
        case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE:
            return true;
        default:
            return false;
    }
}

// A failure of the secure channel itself, which a server that wants a newer TLS than the system
// offers causes; a certificate that is not trusted or names another server is not one.
bool IsSecureChannelFailure(DWORD code, DWORD secureFailureFlags) {
    const DWORD certificateFlags =
        secureFailureFlags & ~DWORD{WINHTTP_CALLBACK_STATUS_FLAG_SECURITY_CHANNEL_ERROR};
    return (code == ERROR_WINHTTP_SECURE_CHANNEL_ERROR || code == ERROR_WINHTTP_SECURE_FAILURE) &&
           certificateFlags == 0;
}

// Wine reports the socket's time-out rather than WinHTTP's.
bool IsTimeOut(DWORD code) {
    return code == ERROR_WINHTTP_TIMEOUT || code == WSAETIMEDOUT;
}

}  // namespace

TransferFailure WinHttpFailure(DWORD code, const TransferSituation& situation) {
    TransferFailure failure{.kind = TransferFailureKind::Connection,
                            .systemText = WinHttpErrorText(code),
                            .server = situation.server,
                            .connected = situation.connected,
                            .receivedBytes = situation.receivedBytes};
    if (code == ERROR_WINHTTP_NAME_NOT_RESOLVED) {
        failure.kind = TransferFailureKind::NameResolution;
    } else if (IsSecureFailure(code)) {
        failure.kind = TransferFailureKind::Tls;
        failure.tlsVersionNotOffered = situation.tlsVersionNotOffered &&
                                       IsSecureChannelFailure(code, situation.secureFailureFlags);
    } else if (code == ERROR_WINHTTP_REDIRECT_FAILED) {
        // The same code for a redirect from HTTPS to plain HTTP, which is refused on purpose,
        // and for too many redirects.
        failure.kind = TransferFailureKind::Redirect;
    } else if (code == ERROR_WINHTTP_OPERATION_CANCELLED) {
        failure.kind = TransferFailureKind::Cancelled;
    } else if (IsTimeOut(code) && situation.connected) {
        // Before the connection stands, a time-out is a connection that could not be made.
        failure.kind = TransferFailureKind::TimedOut;
        failure.systemText.clear();
        failure.idle = situation.inactivityLimit;
    }
    if (situation.proxyToBlame) {
        failure.proxy = situation.proxy;
        failure.proxySource = situation.proxySource;
    }
    return failure;
}

TransferFailure StepFailure(const std::string& what, DWORD code) {
    return {.kind = TransferFailureKind::Other, .systemText = what + ": " + WinHttpErrorText(code)};
}

TransferFailure ExceptionFailure(const std::exception& error, const std::string& context) {
    if (dynamic_cast<const std::bad_alloc*>(&error)) {
        return {.kind = TransferFailureKind::Other,
                .systemText = "Not enough memory to hold the downloaded data"};
    }
    return {.kind = TransferFailureKind::Other, .systemText = context + error.what()};
}

}  // namespace nimbrel
