// What one transfer's control and its WinHTTP callbacks share: the request handle, and the
// inbox of what waits for the user-interface thread.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <functional>
#include <memory>
#include <mutex>

#include "retrieval/transfer_inbox.h"

namespace nimbrel {

// The message-only window of the thread that runs a control. A transfer's wake-up carries only
// its generation: the window takes the batch from the control's current transfer, so a message
// left behind by a cancelled one finds nothing to deliver.
class Mailbox {
  public:
    static constexpr UINT kWakeMessage = WM_APP + 1;

    explicit Mailbox(HWND window) : window_(window) {}

    bool Post(unsigned generation);
    // Transfers may outlive the control; once it is gone their wake-ups are dropped here.
    void Close();

  private:
    std::mutex mutex_;
    HWND window_;
};

// WinHTTP gives a closed handle's value to the next request at once, so a call on a closed handle
// may act on another transfer. Here no call runs on the request handle once it is closed: every
// call goes through Use, and Close defers the closing to the end of the last call under way.
class TransferLink {
  public:
    TransferLink(unsigned generation, std::shared_ptr<Mailbox> mailbox);

    unsigned Generation() const { return generation_; }
    TransferInbox& Inbox() { return inbox_; }

    // Takes over the request handle. `readMore` goes on with the body after a pause; it runs
    // inside Use. False when the transfer was closed before: the handle is then closed at once.
    bool Adopt(HINTERNET request, std::function<void(HINTERNET)> readMore);

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

    // On the user-interface thread: everything that waits, with the reading resumed if it paused.
    TransferBatch Take();

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

    const unsigned generation_;
    TransferInbox inbox_;
    std::function<void(HINTERNET)> readMore_;
    std::mutex mutex_;
    HINTERNET request_ = nullptr;
    int users_ = 0;
    bool closing_ = false;
};

}  // namespace nimbrel
