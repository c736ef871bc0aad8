#include "app/failure_text.h"

#include <optional>

namespace nimbrel {

namespace {

std::string DurationText(std::chrono::milliseconds duration) {
    const auto ms = duration.count();
    if (ms % 1000) {
        return std::to_string(ms) + " ms";
    }
    return ms == 1000 ? "1 second" : std::to_string(ms / 1000) + " seconds";
}

std::string SizeText(std::uint64_t bytes) {
    constexpr std::uint64_t kMiB = 1 << 20;
    return bytes % kMiB ? std::to_string(bytes) + " bytes" : std::to_string(bytes / kMiB) + " MiB";
}

std::string WithReason(std::string what, const std::string& systemText) {
    return systemText.empty() ? what : what + ": " + systemText;
}

std::string HostOf(const std::string& server) {
    const auto colon = server.rfind(':');
    return colon == std::string::npos ? server : server.substr(0, colon);
}

// "HTTP 404 Not Found"
std::string StatusText(const TransferFailure& failure) {
    return "HTTP " + std::to_string(failure.httpStatus) +
           (failure.systemText.empty() ? "" : " " + failure.systemText);
}

// "proxy 127.0.0.1:9 (from https_proxy)"
std::string ProxyText(const TransferFailure& failure) {
    return "proxy " + failure.proxy +
           (failure.proxySource.empty() ? "" : " (from " + failure.proxySource + ")");
}

// " refused the tunnel to noaa.test:443: HTTP 403 Forbidden"
std::string TunnelRefusal(const TransferFailure& failure) {
    return " refused the tunnel to " + failure.server + ": " + StatusText(failure);
}

// A failure before any response came through a proxy is the proxy's to explain.
std::optional<std::string> ProxyFailureText(const TransferFailure& failure) {
    using enum TransferFailureKind;
    if (failure.proxy.empty()) {
        return std::nullopt;
    }
    switch (failure.kind) {
        case NameResolution:
            return WithReason("Cannot resolve the name of the " + ProxyText(failure),
                              failure.systemText);
        case Connection:
            if (failure.connected) {
                return WithReason("The connection through the " + ProxyText(failure) +
                                      " broke off before any response",
                                  failure.systemText);
            }
            return WithReason("Cannot connect to the " + ProxyText(failure), failure.systemText);
        case TimedOut:
            return "No response through the " + ProxyText(failure) + " for " +
                   DurationText(failure.idle);
        case Tls:
            return "No secure connection through the " + ProxyText(failure) +
                   ": it may have refused or intercepted the tunnel";
        case ProxySignIn:
            return "The " + ProxyText(failure) +
                   " asks for a sign-in, which Nimbrel does not support";
        case ProxyRefused:
            return "The " + ProxyText(failure) + TunnelRefusal(failure);
        default:
            return std::nullopt;
    }
}

}  // namespace

std::string DescribeTransferFailure(const TransferFailure& failure) {
    using enum TransferFailureKind;
    if (auto text = ProxyFailureText(failure)) {
        return *text;
    }
    switch (failure.kind) {
        case HttpStatus:
            return StatusText(failure);
        case TimedOut:
            return "No data from the server for " + DurationText(failure.idle);
        case CutShort:
            if (failure.expectedBytes == 0) {
                // No length came: only the body's missing end told that it was cut.
                return "Download broken off (" + failure.server + ") after " +
                       std::to_string(failure.receivedBytes) + " bytes: its end is missing";
            }
            return "Download cut short: " + std::to_string(failure.receivedBytes) + " of " +
                   std::to_string(failure.expectedBytes) + " bytes";
        case TooLarge:
            return "The server sent more than " + SizeText(failure.limitBytes);
        case Damaged:
            return "The compressed data from the server is damaged";
        case NameResolution:
            return WithReason("Cannot resolve the server name " + HostOf(failure.server),
                              failure.systemText);
        case Tls: {
            std::string text =
                WithReason("No secure connection to " + failure.server, failure.systemText);
            if (failure.tlsVersionNotOffered) {
                text += " (this Windows may need the update that adds TLS 1.2 to WinHTTP)";
            }
            return text;
        }
        case Redirect:
            return "The server's redirect was not followed (to plain HTTP, or too many)";
        case ProxySignIn:
            return "The proxy asks for a sign-in, which Nimbrel does not support";
        case ProxyRefused:
            return "The system's proxy" + TunnelRefusal(failure);
        case Connection:
            return failure.connected
                       ? WithReason("Download broken off (" + failure.server + ")",
                                    failure.systemText)
                       : WithReason("Cannot connect to " + failure.server, failure.systemText);
        case Cancelled:
            return "The download was abandoned";
        case Other:
            break;
    }
    return failure.systemText.empty() ? "The download failed" : failure.systemText;
}

std::string DescribeReportWriteFailure(const ReportWriteFailure& failure) {
    switch (failure.kind) {
        case ReportWriteFailureKind::Locked:
            return "another program has the file open";
        case ReportWriteFailureKind::NoPermission:
            return failure.systemText.empty() ? "access is denied" : failure.systemText;
        case ReportWriteFailureKind::ReadOnly:
            return "the file is read-only";
        case ReportWriteFailureKind::NoFolder:
            return failure.systemText.empty() ? "the folder does not exist" : failure.systemText;
        case ReportWriteFailureKind::DiskFull:
            return failure.systemText.empty() ? "the disk is full" : failure.systemText;
        case ReportWriteFailureKind::Other:
            break;
    }
    return failure.systemText.empty() ? "the file could not be written" : failure.systemText;
}

std::string ReportWriteFailureText(const std::string& path, const ReportWriteFailure& failure) {
    if (failure.kind == ReportWriteFailureKind::NoPermission) {
        // Typical of Fly! under Program Files; the remedy is the user's to apply.
        return "Windows does not let Nimbrel replace " + path +
               ". Give your user write access to that folder for a lasting fix; running Nimbrel "
               "as administrator helps only until it closes";
    }
    return "Could not write " + path + ": " + DescribeReportWriteFailure(failure);
}

}  // namespace nimbrel
