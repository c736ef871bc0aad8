// HTTP controls that answer from a scripted server through the event loop.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "retrieval/http_control.h"
#include "tests/fake/event_loop.h"

namespace nimbrel::fake {

struct FakeResponse {
    std::vector<std::string> chunks;
    milliseconds delay{10};                // before each chunk and before the end
    std::optional<TransferFailure> error;  // sent instead of the completion
    std::string date;
    bool stall = false;  // sends its chunks, then nothing ever again
    std::string lastModified{};
    std::string etag{};
    // Sent gzip-encoded. Its ETag, like Apache's, then names the compressed copy and never matches
    // an If-None-Match.
    bool compressed = false;
    bool notModified = false;  // answers 304 whatever the request names, as a broken server might
    std::string age{};         // the Age header a cache adds
    std::string notice{};      // the control's notice about the way to the server
    bool fromProxy = false;    // the error is a proxy's answer: its date is not the server's
};

// Addresses without a route answer with an error, as a server's 404 does.
class FakeHttpServer {
  public:
    void Route(const std::string& url, FakeResponse response) {
        routes_[url] = std::move(response);
    }
    // The answer to a request of `url` now: `answer`'s when it gives one, else the route's.
    FakeResponse Lookup(const std::string& url) const;

    // A server whose answers change with time.
    std::function<std::optional<FakeResponse>(const std::string& url)> answer;

    std::vector<std::string> requests;
    std::vector<HttpConditions> conditions;  // of each request

  private:
    std::map<std::string, FakeResponse> routes_;
    FakeResponse notFound_{
        {},
        milliseconds(10),
        TransferFailure{
            .kind = TransferFailureKind::HttpStatus, .systemText = "Not Found", .httpStatus = 404},
        {},
        false,
        {},
        {},
        false,
        false};
};

class FakeHttpControl : public HttpControl {
  public:
    FakeHttpControl(EventLoop& loop, FakeHttpServer& server) : loop_(loop), server_(server) {}

    void SetListener(HttpListener& listener) override { listener_ = &listener; }
    void SetUrl(const std::string& url) override {
        url_ = url;
        conditions_ = {};
    }
    void SetConditions(const HttpConditions& conditions) override { conditions_ = conditions; }
    void Start() override;
    void Cancel() override {
        ++generation_;
        ++cancels_;
    }

    int cancels() const { return cancels_; }

  private:
    // Posts `action` for the current transfer only; a later Start or Cancel silences it.
    template <typename Action>
    void PostForThisTransfer(milliseconds delay, Action action);

    EventLoop& loop_;
    FakeHttpServer& server_;
    HttpListener* listener_ = nullptr;
    std::string url_;
    HttpConditions conditions_;
    unsigned generation_ = 0;
    int cancels_ = 0;
};

}  // namespace nimbrel::fake
