// One HTTP GET at a time, reported through events on the user-interface thread.
#pragma once

#include <string>
#include <string_view>

namespace nimbrel {

// What the server said about a response beyond its body.
struct HttpResponseInfo {
    std::string date;  // the Date header as sent, empty when absent
};

// Receives the events of one control. Every call comes from the platform's message loop on the
// user-interface thread, never from inside SetUrl, Start or Cancel.
class HttpListener {
  public:
    virtual ~HttpListener() = default;

    // Chunks come in document order and together carry the whole body, byte for byte.
    virtual void OnDataArrival(std::string_view chunk) = 0;
    // The transfer failed; nothing more follows for it.
    virtual void OnError(const std::string& message) = 0;
    // The whole body has arrived with a successful status; nothing more follows for it.
    virtual void OnComplete(const HttpResponseInfo& info) = 0;
};

class HttpControl {
  public:
    virtual ~HttpControl() = default;

    virtual void SetListener(HttpListener& listener) = 0;
    virtual void SetUrl(const std::string& url) = 0;
    // Returns at once. A transfer still under way on this control is abandoned first, and no
    // event of it is delivered afterwards.
    virtual void Start() = 0;
    // Abandons the transfer under way, if any, without further events.
    virtual void Cancel() = 0;
};

}  // namespace nimbrel
