// One asynchronous GET on WinHTTP: the callback side of a TransferRequest, from the request to
// its last event.
#pragma once

#include <memory>
#include <string>

#include "retrieval/http_control.h"
#include "retrieval/transfer_request.h"
#include "retrieval/winhttp_transfer.h"

namespace nimbrel {

struct ExchangeOrder {
    std::string url{};
    HttpConditions conditions{};
    WinHttpLimits limits{};
};

// On the user-interface thread; returns at once. Everything that follows reaches `request`.
void StartExchange(std::shared_ptr<TransferRequest> request, ExchangeOrder order);

}  // namespace nimbrel
