#include "retrieval/winhttp_transfer.h"

// Who runs what, and who owns what, for one transfer:
// - WinHttpControl, on the user-interface thread, makes a TransferRequest for each Start and holds
//   it as `current`. Cancel, the final event and the control's end Close it: no event of it is
//   delivered afterwards (wake-ups already posted find another generation), and it wakes nobody.
// - The TransferRequest (transfer_request.h), shared, owns the request handle from its creation
//   to its closing, and holds the transfer's one end flag and what waits for this thread. Every
//   call on the handle goes through its Use; the handle closes when the transfer is over and no
//   call is under way. It dies with the last of the control and the exchange to let go of it.
// - The Exchange (winhttp_exchange.cpp) is the callback side. It is made and opened on this
//   thread, and sent here or on the proxy look-up's thread; then WinHTTP's callbacks drive it on
//   WinHTTP's threads, and ResumeReading on this thread continues a paused body. The handle's
//   context owns it: it is freed when WinHTTP reports the handle closing, on whichever thread.
// - The request wakes the event window once, at its end, and the window then takes the end and the
//   whole body, which the request held from its first byte; a slow timer that runs while a
//   transfer is current collects an end whose wake-up could not be posted.

#include <windows.h>
#include <winhttp.h>

#include <atomic>
#include <exception>
#include <stdexcept>
#include <variant>

#include "retrieval/transfer_request.h"
#include "retrieval/winhttp_exchange.h"
#include "retrieval/winhttp_failure.h"
#include "util/handler_barrier_win32.h"
#include "util/win32_text.h"

namespace nimbrel {

namespace {

constexpr UINT kWakeMessage = WM_APP + 1;
constexpr UINT_PTR kSweepTimer = 1;
constexpr UINT kSweepMs = 1000;

std::atomic<std::uint64_t> dataBatchesDelivered{0};

// Wake-ups go to the control's event window; a request stops sending them once it is closed,
// so the window may go before the request does.
class WinHttpRequestPlatform : public RequestPlatform {
  public:
    bool Wake(void* window, unsigned generation) override {
        return PostMessageW(static_cast<HWND>(window), kWakeMessage, generation, 0);
    }
    void CloseHandle(Handle handle) override { WinHttpCloseHandle(handle); }
};

RequestPlatform& Platform() {
    // Leaked on purpose: requests may outlive every control.
    static RequestPlatform* const platform = new WinHttpRequestPlatform;
    return *platform;
}

}  // namespace

struct WinHttpControl::Impl {
    explicit Impl(WinHttpLimits limits);
    ~Impl();
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    void Start();
    void Cancel();
    void Deliver(unsigned transferGeneration);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    WinHttpLimits limits;
    HttpListener* listener = nullptr;
    std::string url;
    HttpConditions conditions;
    unsigned generation = 0;  // of the current transfer
    std::shared_ptr<TransferRequest> current;
    HWND window = nullptr;
};

WinHttpControl::Impl::Impl(WinHttpLimits limits) : limits(limits) {
    static const ATOM windowClass = [] {
        WNDCLASSEXW description{};
        description.cbSize = sizeof description;
        description.lpfnWndProc = WindowProc;
        description.hInstance = GetModuleHandleW(nullptr);
        description.lpszClassName = kHttpEventWindowClass;
        return RegisterClassExW(&description);
    }();
    window = CreateWindowExW(0, MAKEINTATOM(windowClass), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    if (!window) {
        throw std::runtime_error("Cannot create the HTTP event window: " +
                                 SystemErrorText(GetLastError()));
    }
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

WinHttpControl::Impl::~Impl() {
    Cancel();
    DestroyWindow(window);
}

void WinHttpControl::Impl::Start() {
    Cancel();
    current = std::make_shared<TransferRequest>(Platform(), window, generation);
    SetTimer(window, kSweepTimer, kSweepMs, nullptr);
    StartExchange(current, {.url = url, .conditions = conditions, .limits = limits});
}

// Closing the request handle is WinHTTP's way to cancel; wake-ups already posted find another
// generation.
void WinHttpControl::Impl::Cancel() {
    ++generation;
    if (current) {
        KillTimer(window, kSweepTimer);
        current->Close();
        current.reset();
    }
}

// A listener may start the next transfer, or cancel, from inside any event; nothing of this
// transfer follows then.
void WinHttpControl::Impl::Deliver(unsigned transferGeneration) {
    if (transferGeneration != generation || !current) {
        return;
    }
    const std::shared_ptr<TransferRequest> request = current;
    TransferBatch batch = request->Take();
    const auto stillCurrent = [&] { return current == request && listener; };
    if (!batch.end || !stillCurrent()) {
        return;
    }
    try {
        if (!batch.body.empty()) {
            ++dataBatchesDelivered;
            listener->OnDataArrival(std::move(batch.body));
        }
    } catch (const std::exception& error) {
        // The transfer ends here instead, with the reason.
        if (stillCurrent()) {
            Cancel();
            listener->OnError(ExceptionFailure(error, "The downloaded data could not be taken: "));
        }
        return;
    }
    if (!stillCurrent()) {
        return;
    }
    Cancel();
    if (const auto* failure = std::get_if<TransferFailure>(&*batch.end)) {
        listener->OnError(*failure);
    } else {
        listener->OnComplete(std::get<HttpResponseInfo>(*batch.end));
    }
}

LRESULT CALLBACK WinHttpControl::Impl::WindowProc(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
    auto* impl = reinterpret_cast<Impl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return WithBarrier([&]() -> LRESULT {
        if (impl && message == kWakeMessage) {
            impl->Deliver(static_cast<unsigned>(wParam));
            return 0;
        }
        if (impl && message == WM_TIMER && wParam == kSweepTimer) {
            impl->Deliver(impl->generation);
            return 0;
        }
        if (message == kDataBatchesQuery) {
            return static_cast<LRESULT>(dataBatchesDelivered.load());
        }
        return DefWindowProcW(window, message, wParam, lParam);
    });
}

WinHttpControl::WinHttpControl() : WinHttpControl(WinHttpLimits{}) {}

WinHttpControl::WinHttpControl(WinHttpLimits limits) : impl_(std::make_unique<Impl>(limits)) {}

WinHttpControl::~WinHttpControl() = default;

void WinHttpControl::SetListener(HttpListener& listener) {
    impl_->listener = &listener;
}

void WinHttpControl::SetUrl(const std::string& url) {
    impl_->url = url;
    impl_->conditions = {};
}

void WinHttpControl::SetConditions(const HttpConditions& conditions) {
    impl_->conditions = conditions;
}

void WinHttpControl::Start() {
    impl_->Start();
}

void WinHttpControl::Cancel() {
    impl_->Cancel();
}

std::uint64_t WinHttpDataBatchesDelivered() {
    return dataBatchesDelivered;
}

}  // namespace nimbrel
