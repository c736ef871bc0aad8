#include "retrieval/winhttp_transfer.h"

// How a request lives, from Start to its last callback:
// - WinHttpControl (user-interface thread) holds the current transfer's TransferLink, and starts
//   and cancels. Cancelling closes the link and forgets it; the transfer's generation then no
//   longer matches, so nothing of it is delivered.
// - The Exchange (winhttp_exchange.cpp) is the request itself: it drives WinHTTP's callbacks on
//   WinHTTP's threads. The request handle owns it, through WinHTTP's context value, and it dies
//   when WinHTTP reports that handle closing, whichever thread that is.
// - The TransferLink, shared by both, owns the request handle once the request is sent: every
//   call on the handle goes through it, and its Close closes the handle once no call is under way.
//   Its TransferInbox gathers the body's bytes and the final event for the user-interface thread.
//   It dies with the last of the control and the exchange to let go of it.
// - The event window takes the whole inbox at each wake-up, and at each tick of a slow timer that
//   runs while a transfer is current, which collects a batch whose wake-up could not be posted.

#include <windows.h>

#include <atomic>
#include <exception>
#include <new>
#include <stdexcept>
#include <variant>

#include "retrieval/winhttp_exchange.h"
#include "retrieval/winhttp_transfer_link.h"
#include "util/message_box_win32.h"
#include "util/win32_text.h"

namespace nimbrel {

namespace {

constexpr UINT_PTR kSweepTimer = 1;
constexpr UINT kSweepMs = 1000;

std::atomic<std::uint64_t> dataBatchesDelivered{0};

// A data handler that throws ends its transfer; nothing it was given is kept.
TransferFailure ListenerFailure(const std::exception& error) {
    if (dynamic_cast<const std::bad_alloc*>(&error)) {
        return {.kind = TransferFailureKind::Other,
                .systemText = "Not enough memory to hold the downloaded data"};
    }
    return {.kind = TransferFailureKind::Other,
            .systemText = std::string("The downloaded data could not be taken: ") + error.what()};
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
    std::shared_ptr<TransferLink> current;
    HWND window = nullptr;
    std::shared_ptr<Mailbox> mailbox;
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
    mailbox = std::make_shared<Mailbox>(window);
}

WinHttpControl::Impl::~Impl() {
    Cancel();
    mailbox->Close();
    DestroyWindow(window);
}

void WinHttpControl::Impl::Start() {
    Cancel();
    current = std::make_shared<TransferLink>(generation, mailbox);
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
    const std::shared_ptr<TransferLink> link = current;
    TransferBatch batch = link->Take();
    const auto stillCurrent = [&] { return current == link && listener; };
    try {
        if (batch.bodySize && stillCurrent()) {
            listener->OnBodySize(*batch.bodySize);
        }
        if (!batch.data.empty() && stillCurrent()) {
            ++dataBatchesDelivered;
            listener->OnDataArrival(batch.data);
        }
    } catch (const std::exception& error) {
        // The batch held the end, if it came: the transfer ends here instead, with the reason.
        if (stillCurrent()) {
            Cancel();
            listener->OnError(ListenerFailure(error));
        }
        return;
    }
    if (!batch.end || !stillCurrent()) {
        return;
    }
    Cancel();
    if (const auto* failure = std::get_if<TransferFailure>(&*batch.end)) {
        listener->OnError(*failure);
    } else {
        listener->OnComplete(std::get<HttpResponseInfo>(*batch.end));
    }
}

// An exception from a listener must not unwind through the system's window code.
LRESULT CALLBACK WinHttpControl::Impl::WindowProc(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
    auto* impl = reinterpret_cast<Impl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    try {
        if (impl && message == Mailbox::kWakeMessage) {
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
    } catch (const std::exception& error) {
        ReportUnhandled(error);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
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
