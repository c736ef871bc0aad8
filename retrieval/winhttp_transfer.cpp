#include "retrieval/winhttp_transfer.h"

#include <windows.h>

#include <stdexcept>

#include "retrieval/winhttp_exchange.h"
#include "retrieval/winhttp_transfer_link.h"
#include "util/win32_text.h"

namespace nimbrel {

namespace {

constexpr wchar_t kWindowClass[] = L"NimbrelHttpEvents";

}  // namespace

struct WinHttpControl::Impl {
    explicit Impl(WinHttpLimits limits);
    ~Impl();
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    void Start();
    void Cancel();
    void Deliver(const TransferEvent& event);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    WinHttpLimits limits;
    HttpListener* listener = nullptr;
    std::string url;
    HttpConditions conditions;
    unsigned generation = 0;  // of the transfer whose events are delivered
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
        description.lpszClassName = kWindowClass;
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
    // Events already posted would otherwise leak with the window.
    MSG message;
    while (
        PeekMessageW(&message, window, Mailbox::kEventMessage, Mailbox::kEventMessage, PM_REMOVE)) {
        delete reinterpret_cast<TransferEvent*>(message.lParam);
    }
    DestroyWindow(window);
}

void WinHttpControl::Impl::Start() {
    Cancel();
    current = std::make_shared<TransferLink>(generation, mailbox);
    StartExchange(current, {.url = url, .conditions = conditions, .limits = limits});
}

// Closing the request handle is WinHTTP's way to cancel; events already posted are dropped by
// their generation.
void WinHttpControl::Impl::Cancel() {
    ++generation;
    if (current) {
        current->Close();
        current.reset();
    }
}

void WinHttpControl::Impl::Deliver(const TransferEvent& event) {
    if (event.link->Generation() != generation || !listener) {
        return;
    }
    switch (event.kind) {
        case TransferEventKind::Data:
            listener->OnDataArrival(event.chunk);
            break;
        case TransferEventKind::Error:
            // Nothing of this transfer may follow its end, even if a listener starts the next.
            Cancel();
            listener->OnError(event.failure);
            break;
        case TransferEventKind::Complete:
            Cancel();
            listener->OnComplete(event.info);
            break;
    }
}

LRESULT CALLBACK WinHttpControl::Impl::WindowProc(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
    if (message != Mailbox::kEventMessage) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    const std::unique_ptr<TransferEvent> event(reinterpret_cast<TransferEvent*>(lParam));
    if (auto* impl = reinterpret_cast<Impl*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
        impl->Deliver(*event);
    }
    return 0;
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

}  // namespace nimbrel
