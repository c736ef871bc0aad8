// One asynchronous GET on the program's WinHTTP session, from the request to its last event.
#pragma once

#include <memory>
#include <string>

#include "retrieval/http_control.h"
#include "retrieval/winhttp_transfer.h"
#include "retrieval/winhttp_transfer_link.h"

namespace nimbrel {

struct ExchangeOrder {
    std::string url{};
    HttpConditions conditions{};
    WinHttpLimits limits{};
};

// Returns at once; everything that follows reaches the link's mailbox. The exchange's context
// lives until WinHTTP reports its request handle closing.
void StartExchange(std::shared_ptr<TransferLink> link, ExchangeOrder order);

}  // namespace nimbrel
