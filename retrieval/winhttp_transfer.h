// The HTTP control on asynchronous WinHTTP: one session for the program, events back on the
// user-interface thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "retrieval/http_control.h"
#include "retrieval/proxy_sign_in.h"

namespace nimbrel {

// When a transfer gives up. Tests lower them to provoke the failures quickly.
struct WinHttpLimits {
    std::chrono::milliseconds inactivity{std::chrono::seconds(60)};
    BodyKind body = BodyKind::CycleFile;
    std::optional<std::uint64_t> bodyBytes{};  // the kind's own limit unless given

    std::uint64_t BodyBytes() const { return bodyBytes.value_or(BodyLimit(body)); }
};

// Create and use on the user-interface thread. Events are posted to a message-only window of
// that thread and reach the listener through whatever message loop the thread runs.
class WinHttpControl : public HttpControl {
  public:
    WinHttpControl();
    explicit WinHttpControl(WinHttpLimits limits);
    ~WinHttpControl() override;
    WinHttpControl(const WinHttpControl&) = delete;
    WinHttpControl& operator=(const WinHttpControl&) = delete;

    void SetListener(HttpListener& listener) override;
    void SetUrl(const std::string& url) override;
    void SetConditions(const HttpConditions& conditions) override;
    void Start() override;
    void Cancel() override;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Transfers of every control whose WinHTTP request handle has not yet been reported closed;
// a cancelled transfer leaves this count soon after.
std::size_t WinHttpTransfersInFlight();

// Deliveries of received bytes to listeners, by every control of the process: each takes all the
// bytes that had arrived. The benchmark reads it from outside by sending kDataBatchesQuery
// (WM_APP + 2) to a window of the class kHttpEventWindowClass, which answers with the count.
std::uint64_t WinHttpDataBatchesDelivered();
inline constexpr wchar_t kHttpEventWindowClass[] = L"NimbrelHttpEvents";
inline constexpr unsigned kDataBatchesQuery = 0x8000 + 2;

}  // namespace nimbrel
