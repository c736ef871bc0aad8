#include "retrieval/winhttp_transfer.h"

#include <windows.h>
#include <winhttp.h>

#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "retrieval/winhttp_download.h"
#include "util/win32_text.h"

namespace nimbrel {

namespace {

constexpr UINT kEventMessage = WM_APP + 1;
constexpr wchar_t kWindowClass[] = L"NimbrelHttpEvents";
// Chunks posted but not yet delivered. A fast server would otherwise fill the thread's message
// queue, whose size Windows limits, while the UI thread is busy.
constexpr int kMaxQueuedChunks = 64;

// What one transfer's worker shares with the control that started it.
class Transfer {
  public:
    explicit Transfer(unsigned generation) : generation_(generation) {}

    unsigned Generation() const { return generation_; }

    // Closing the request handle makes a blocking WinHTTP call of the worker return at once.
    void Abandon() {
        std::lock_guard lock(mutex_);
        abandoned_ = true;
        CloseLocked();
        roomy_.notify_all();
    }

    void AdoptRequest(HINTERNET request) {
        std::lock_guard lock(mutex_);
        request_ = request;
        if (abandoned_) {
            CloseLocked();
        }
    }

    HINTERNET Request() {
        std::lock_guard lock(mutex_);
        return request_;
    }

    void CloseRequest() {
        std::lock_guard lock(mutex_);
        CloseLocked();
    }

    // Waits while too many chunks are queued; false once the transfer is abandoned.
    bool ReserveChunk() {
        std::unique_lock lock(mutex_);
        roomy_.wait(lock, [this] { return abandoned_ || queuedChunks_ < kMaxQueuedChunks; });
        queuedChunks_ += abandoned_ ? 0 : 1;
        return !abandoned_;
    }

    void ReleaseChunk() {
        std::lock_guard lock(mutex_);
        --queuedChunks_;
        roomy_.notify_all();
    }

  private:
    void CloseLocked() {
        if (request_) {
            WinHttpCloseHandle(request_);
            request_ = nullptr;
        }
    }

    const unsigned generation_;
    std::mutex mutex_;
    std::condition_variable roomy_;
    HINTERNET request_ = nullptr;
    bool abandoned_ = false;
    int queuedChunks_ = 0;
};

enum class EventKind { Data, Error, Complete };

// The payload of one posted event message; whoever removes the message frees it.
struct Event {
    Event(std::shared_ptr<Transfer> transfer, EventKind kind, std::string text,
          TransferFailure failure = {})
        : transfer(std::move(transfer)),
          kind(kind),
          text(std::move(text)),
          failure(std::move(failure)) {}
    // A data event holds one of its transfer's queued chunks until it is gone.
    ~Event() {
        if (kind == EventKind::Data) {
            transfer->ReleaseChunk();
        }
    }
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    std::shared_ptr<Transfer> transfer;
    EventKind kind;
    std::string text;  // the chunk or the Date header
    TransferFailure failure;
};

// The window a control's workers post to. Workers may outlive the control; once it is gone
// their events are dropped here.
class Mailbox {
  public:
    explicit Mailbox(HWND window) : window_(window) {}

    bool Post(std::unique_ptr<Event> event) {
        std::lock_guard lock(mutex_);
        if (!window_ ||
            !PostMessageW(window_, kEventMessage, 0, reinterpret_cast<LPARAM>(event.get()))) {
            return false;
        }
        event.release();
        return true;
    }

    void Close() {
        std::lock_guard lock(mutex_);
        window_ = nullptr;
    }

  private:
    std::mutex mutex_;
    HWND window_;
};

// Runs one transfer on its own thread and posts its events.
class Worker : public DownloadSink {
  public:
    Worker(std::shared_ptr<Transfer> transfer, std::shared_ptr<Mailbox> mailbox, std::string url,
           WinHttpLimits limits)
        : transfer_(std::move(transfer)),
          mailbox_(std::move(mailbox)),
          url_(std::move(url)),
          limits_(limits) {}

    void Run() {
        const DownloadResult result = RunDownload(url_, limits_, *this);
        if (result.failure) {
            Post(EventKind::Error, {}, std::move(*result.failure));
        } else {
            Post(EventKind::Complete, result.date);
        }
    }

    void AdoptRequest(void* request) override { transfer_->AdoptRequest(request); }
    void* Request() override { return transfer_->Request(); }
    void CloseRequest() override { transfer_->CloseRequest(); }
    // At most kMaxQueuedChunks wait in the queue.
    bool TakeChunk(std::string_view chunk) override {
        return transfer_->ReserveChunk() && Post(EventKind::Data, std::string(chunk));
    }

  private:
    bool Post(EventKind kind, std::string text, TransferFailure failure = {}) {
        return mailbox_->Post(
            std::make_unique<Event>(transfer_, kind, std::move(text), std::move(failure)));
    }

    std::shared_ptr<Transfer> transfer_;
    std::shared_ptr<Mailbox> mailbox_;
    std::string url_;
    WinHttpLimits limits_;
};

}  // namespace

struct WinHttpControl::Impl {
    explicit Impl(WinHttpLimits limits);
    ~Impl();
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    void Start();
    void Cancel();
    void Deliver(const Event& event);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    WinHttpLimits limits;
    HttpListener* listener = nullptr;
    std::string url;
    HttpConditions conditions;
    unsigned generation = 0;  // of the transfer whose events are delivered
    std::shared_ptr<Transfer> current;
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
    while (PeekMessageW(&message, window, kEventMessage, kEventMessage, PM_REMOVE)) {
        delete reinterpret_cast<Event*>(message.lParam);
    }
    DestroyWindow(window);
}

void WinHttpControl::Impl::Start() {
    Cancel();
    current = std::make_shared<Transfer>(generation);
    try {
        // Detached: a worker blocked in WinHTTP must not hold up the UI thread, and everything
        // it touches is shared with it.
        std::thread([worker = Worker(current, mailbox, url, limits)]() mutable {
            worker.Run();
        }).detach();
    } catch (const std::system_error& error) {
        mailbox->Post(std::make_unique<Event>(
            current, EventKind::Error, std::string(),
            TransferFailure{.systemText =
                                std::string("Cannot start the download: ") + error.what()}));
    }
}

void WinHttpControl::Impl::Cancel() {
    ++generation;
    if (current) {
        current->Abandon();
        current.reset();
    }
}

void WinHttpControl::Impl::Deliver(const Event& event) {
    if (event.transfer->Generation() != generation || !listener) {
        return;
    }
    switch (event.kind) {
        case EventKind::Data:
            listener->OnDataArrival(event.text);
            break;
        case EventKind::Error:
            listener->OnError(event.failure);
            break;
        case EventKind::Complete:
            listener->OnComplete(HttpResponseInfo{.date = event.text});
            break;
    }
}

LRESULT CALLBACK WinHttpControl::Impl::WindowProc(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
    if (message != kEventMessage) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    const std::unique_ptr<Event> event(reinterpret_cast<Event*>(lParam));
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
