// What one transfer's control, its WinHTTP callbacks and its posted events share: the request
// handle, the events on their way to the user-interface thread, and how many chunks wait there.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "retrieval/http_control.h"

namespace nimbrel {

class TransferLink;

enum class TransferEventKind { Data, Error, Complete };

// The payload of one posted event message; whoever removes the message frees it.
struct TransferEvent {
    TransferEvent(std::shared_ptr<TransferLink> link, TransferEventKind kind);
    // A data event holds one of its transfer's places in the queue until it is gone.
    ~TransferEvent();
    TransferEvent(const TransferEvent&) = delete;
    TransferEvent& operator=(const TransferEvent&) = delete;

    std::shared_ptr<TransferLink> link;
    TransferEventKind kind;
    bool holdsChunk = false;
    std::string chunk{};
    TransferFailure failure{};
    HttpResponseInfo info{};
};

// The message-only window of the thread that runs a control. Transfers may outlive the control;
// once it is gone their events are dropped here.
class Mailbox {
  public:
    static constexpr UINT kEventMessage = WM_APP + 1;

    explicit Mailbox(HWND window) : window_(window) {}

    // Takes the event on success; leaves it with the caller otherwise.
    bool Post(std::unique_ptr<TransferEvent>& event);
    void Close();

  private:
    std::mutex mutex_;
    HWND window_;
};

// WinHTTP gives a closed handle's value to the next request at once, so a call on a closed handle
// may act on another transfer. Here no call runs on the request handle once it is closed: every
// call goes through Use, and Close waits for the calls under way to return.
class TransferLink : public std::enable_shared_from_this<TransferLink> {
  public:
    TransferLink(unsigned generation, std::shared_ptr<Mailbox> mailbox);

    unsigned Generation() const { return generation_; }

    // Takes over the request handle. `readMore` asks for the next piece of the body after a
    // pause; it runs inside Use.
    void Adopt(HINTERNET request, std::function<void(HINTERNET)> readMore);

    // Runs `call` with the request handle unless the transfer is closing. The handle stays open
    // until it returns, and with it the context that WinHTTP frees at the handle's closing.
    template <typename Call>
    void Use(Call&& call) {
        const HINTERNET request = BeginUse();
        if (!request) {
            return;
        }
        const UseEnd end(*this);
        call(request);
    }

    // Ends the transfer: closes the request handle now, or when the last call on it returns.
    // Once closed, WinHTTP may free the request's context on any thread.
    void Close();

    bool PostChunk(std::string chunk);
    void PostFailure(TransferFailure failure);
    void PostCompletion(HttpResponseInfo info);
    // Pauses the reading while too many chunks wait for the user-interface thread; true when it
    // did. ReleaseChunk resumes it.
    bool PauseWhenFull();
    void ReleaseChunk();

  private:
    struct UseEnd {
        explicit UseEnd(TransferLink& link) : link(link) {}
        ~UseEnd() { link.EndUse(); }
        UseEnd(const UseEnd&) = delete;
        UseEnd& operator=(const UseEnd&) = delete;
        TransferLink& link;
    };

    HINTERNET BeginUse();
    void EndUse();
    // Takes the handle out when nothing uses it any more and the transfer is closing.
    HINTERNET TakeForClosingLocked();
    void PostEnd(std::unique_ptr<TransferEvent> event);

    const unsigned generation_;
    const std::shared_ptr<Mailbox> mailbox_;
    std::function<void(HINTERNET)> readMore_;
    std::mutex mutex_;
    HINTERNET request_ = nullptr;
    int users_ = 0;
    bool closing_ = false;
    int queuedChunks_ = 0;
    bool paused_ = false;
};

}  // namespace nimbrel
