#include "tests/fake/fake_http.h"

#include "retrieval/proxy_sign_in.h"

#include <utility>

namespace nimbrel::fake {

FakeResponse FakeHttpServer::Lookup(const std::string& url) const {
    if (answer) {
        if (auto response = answer(url)) {
            return std::move(*response);
        }
    }
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

namespace {

// As a server decides it: an If-None-Match, when sent, decides alone.
bool NotModified(const FakeResponse& response, const HttpConditions& conditions) {
    if (response.error) {
        return false;
    }
    if (response.notModified) {
        return true;
    }
    if (!conditions.ifNoneMatch.empty()) {
        return !response.compressed && conditions.ifNoneMatch == response.etag;
    }
    return !conditions.ifModifiedSince.empty() &&
           conditions.ifModifiedSince == response.lastModified;
}

}  // namespace

void FakeHttpControl::Start() {
    ++generation_;
    server_.requests.push_back(url_);
    server_.conditions.push_back(std::exchange(conditions_, {}));
    const FakeResponse response = server_.Lookup(url_);
    // The headers come with the first piece; a body of many takes its time after them.
    const milliseconds headersAt = loop_.Now() + response.delay;
    if (NotModified(response, server_.conditions.back())) {
        // The exchange's rule book decides whether a 304 answers the request at all.
        if (JudgeResponse({.status = 304, .conditional = server_.conditions.back().NameACopy()})
                .step != ResponseAnswer::Step::NotModified) {
            const TransferFailure failure{.kind = TransferFailureKind::HttpStatus,
                                          .systemText = "Not Modified",
                                          .httpStatus = 304,
                                          .date = response.date,
                                          .age = response.age,
                                          .serverTime = true,
                                          .headersAt = headersAt};
            PostForThisTransfer(response.delay, [this, failure] { listener_->OnError(failure); });
            return;
        }
        PostForThisTransfer(response.delay, [this, response, headersAt] {
            listener_->OnComplete(HttpResponseInfo{.date = response.date,
                                                   .notModified = true,
                                                   .age = response.age,
                                                   .headersAt = headersAt});
        });
        return;
    }
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
        TransferFailure failure = *response.error;
        failure.date = response.date;
        failure.age = response.age;
        failure.serverTime = !response.fromProxy;
        failure.headersAt = headersAt;
        PostForThisTransfer(at, [this, failure] { listener_->OnError(failure); });
    } else {
        PostForThisTransfer(at, [this, response, headersAt] {
            listener_->OnComplete({response.date, response.lastModified, response.etag, false,
                                   response.compressed, response.age, response.notice, headersAt});
        });
    }
}

}  // namespace nimbrel::fake
