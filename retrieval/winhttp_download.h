// One blocking HTTP GET on WinHTTP, run by a worker thread of WinHttpControl.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "retrieval/winhttp_transfer.h"

namespace nimbrel {

// Where a download hands what it gets, and how it learns that nobody wants it any more.
class DownloadSink {
  public:
    virtual ~DownloadSink() = default;

    // Takes over the request handle, so that another thread can close it to abandon the
    // download; closes it at once when the download is abandoned already.
    virtual void AdoptRequest(void* request) = 0;
    // The adopted handle, or null once it is closed. Every WinHTTP call asks anew, so that none
    // uses a closed handle whose value a newer request may have been given.
    virtual void* Request() = 0;
    // Closes the adopted handle unless it is closed already; the download is over.
    virtual void CloseRequest() = 0;
    // Returns false when the download is abandoned.
    virtual bool TakeChunk(std::string_view chunk) = 0;
};

struct DownloadResult {
    std::optional<TransferFailure> failure;
    std::string date;  // the response's Date header, empty when absent
};

DownloadResult RunDownload(const std::string& url, const WinHttpLimits& limits, DownloadSink& sink);

}  // namespace nimbrel
