#include "tests/fake/fake_http.h"

namespace nimbrel::fake {

const FakeResponse& FakeHttpServer::Lookup(const std::string& url) const {
    const auto route = routes_.find(url);
    return route == routes_.end() ? notFound_ : route->second;
}

template <typename Action>
void FakeHttpControl::PostForThisTransfer(milliseconds delay, Action action) {
    loop_.Post(delay, [this, generation = generation_, action] {
        if (generation == generation_) {
            action();
        }
    });
}

void FakeHttpControl::Start() {
    ++generation_;
    server_.requests.push_back(url_);
    const FakeResponse response = server_.Lookup(url_);
    milliseconds at{0};
    for (const std::string& chunk : response.chunks) {
        at += response.delay;
        PostForThisTransfer(at, [this, chunk] { listener_->OnDataArrival(chunk); });
    }
    if (response.stall) {
        return;
    }
    at += response.delay;
    if (response.error) {
        PostForThisTransfer(at, [this, failure = *response.error] { listener_->OnError(failure); });
    } else {
        PostForThisTransfer(
            at, [this, date = response.date] { listener_->OnComplete(HttpResponseInfo{date}); });
    }
}

}  // namespace nimbrel::fake
