// One transfer's request, shared by the user-interface thread and the platform's callbacks: it
// owns the request handle from its creation to its closing, holds the body as it arrives, and
// holds the one flag that says the transfer is over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "retrieval/http_control.h"

namespace nimbrel {

// A transfer ends with one of these, exactly once.
using TransferEnd = std::variant<TransferFailure, HttpResponseInfo>;

// What the user-interface thread takes once the transfer is over: the end, and with a successful
// one the whole body.
struct TransferBatch {
    std::string body{};
    std::optional<TransferEnd> end{};
};

// What the request asks of the platform, from any thread. It outlives every request.
class RequestPlatform {
  public:
    using Handle = void*;  // a WinHTTP request handle, HINTERNET

    virtual ~RequestPlatform() = default;
    // Asks the user-interface thread behind `target` (a window) to take the end of the transfer
    // `generation`; false when the wake-up could not be sent.
    virtual bool Wake(void* target, unsigned generation) = 0;
    // Never called with the request's lock held: the platform may report the closing at once,
    // on this thread.
    virtual void CloseHandle(Handle handle) = 0;
};

// The platform may give a closed handle's value to the next request at once, so a call on a
// closed handle could act on another transfer. Here no call runs on the handle once the transfer
// is over: every call goes through Use, and the handle closes when the last call under way
// returns. Keep a shared_ptr to the request across each call: closing the handle may free the
// callbacks' context, which may hold the last other reference.
//
// The body is held here, once, from its first byte until the user-interface thread takes it
// whole with the end: a body of megabytes is neither copied from batch to buffer nor grown piece
// by piece when its size is announced.
class TransferRequest {
  public:
    TransferRequest(RequestPlatform& platform, void* wakeTarget, unsigned generation)
        : platform_(platform), wakeTarget_(wakeTarget), generation_(generation) {}
    TransferRequest(const TransferRequest&) = delete;
    TransferRequest& operator=(const TransferRequest&) = delete;

    unsigned Generation() const { return generation_; }

    // Takes the handle at its creation. False when the transfer was over already: the handle is
    // closed at once then.
    bool Own(RequestPlatform::Handle handle);

    // Runs `call` with the handle unless the transfer is over; false when it did not run.
    template <typename Call>
    bool Use(Call&& call) {
        const RequestPlatform::Handle handle = BeginUse();
        if (!handle) {
            return false;
        }
        const UseEnd end(*this);
        call(handle);
        return true;
    }

    // The callbacks' side. Only the first end counts; it closes the handle. A failure drops the
    // body.
    void ExpectBodySize(std::uint64_t bytes);
    void AddData(std::string_view bytes);
    void End(TransferEnd end);

    // The user-interface thread's side. Close abandons the transfer: no end is added, no wake-up
    // is sent any more, so the wake target may go, and the handle closes. Take returns the end
    // and its body once the transfer is over, nothing before.
    void Close();
    TransferBatch Take();

  private:
    struct UseEnd {
        explicit UseEnd(TransferRequest& request) : request(request) {}
        ~UseEnd() { request.EndUse(); }
        UseEnd(const UseEnd&) = delete;
        UseEnd& operator=(const UseEnd&) = delete;
        TransferRequest& request;
    };

    RequestPlatform::Handle BeginUse();
    void EndUse();
    // Ends the transfer; the handle to close now, if nothing uses it.
    RequestPlatform::Handle FinishLocked();
    void WakeLocked();

    RequestPlatform& platform_;
    std::mutex mutex_;
    void* wakeTarget_;  // null once the user-interface thread closed the transfer
    const unsigned generation_;
    RequestPlatform::Handle handle_ = nullptr;
    int users_ = 0;
    bool ended_ = false;
    std::string body_;
    std::optional<TransferEnd> end_;
};

}  // namespace nimbrel
