#include "retrieval/transfer_request.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

namespace nimbrel {
namespace {

// Counts wake-ups, fails them while told to, as a full message queue does, and records the
// handles closed.
struct Platform : RequestPlatform {
    bool Wake(void* target, unsigned generation) override {
        EXPECT_EQ(target, this);
        EXPECT_EQ(generation, 7u);
        ++wakes;
        return !full;
    }
    void CloseHandle(Handle handle) override { closed.push_back(handle); }

    int wakes = 0;
    bool full = false;
    std::vector<Handle> closed;
};

int handleValue = 0;
void* const kHandle = &handleValue;

// One allocation of the announced size holds the body until it is taken whole with the end.
TEST(TransferRequest, BodyIsHeldInOnePieceAndTakenWholeWithTheEnd) {
    Platform platform;
    TransferRequest request(platform, &platform, 7);
    request.ExpectBodySize(1000);
    for (char piece = 'a'; piece < 'k'; ++piece) {
        request.AddData(std::string(100, piece));
    }
    EXPECT_EQ(platform.wakes, 0);
    EXPECT_FALSE(request.Take().end) << "nothing to take before the end";
    request.End(HttpResponseInfo{.etag = "\"x\""});
    EXPECT_EQ(platform.wakes, 1);
    const TransferBatch batch = request.Take();
    EXPECT_EQ(batch.body.size(), 1000u);
    EXPECT_EQ(batch.body.substr(895, 10), "iiiiijjjjj");
    EXPECT_EQ(batch.body.capacity(), 1000u) << "grown after all";
    ASSERT_TRUE(batch.end);
    EXPECT_EQ(std::get<HttpResponseInfo>(*batch.end).etag, "\"x\"");
    EXPECT_FALSE(request.Take().end);
}

// The final event whose wake-up could not be posted stays for the taker's sweep; the first end is
// the only one, and a failure drops what had arrived.
TEST(TransferRequest, FinalEventOutlivesAFailedWakeUp) {
    Platform platform;
    platform.full = true;
    TransferRequest request(platform, &platform, 7);
    request.AddData("abc");
    request.End(TransferFailure{.kind = TransferFailureKind::TimedOut});
    request.End(HttpResponseInfo{});
    EXPECT_EQ(platform.wakes, 1);
    const TransferBatch swept = request.Take();
    EXPECT_EQ(swept.body, "");
    ASSERT_TRUE(swept.end);
    EXPECT_EQ(std::get<TransferFailure>(*swept.end).kind, TransferFailureKind::TimedOut);
    EXPECT_FALSE(request.Take().end);
}

// No call reaches a handle once the transfer is over, and the handle closes only when the last
// call under way returns, whichever side ended the transfer.
TEST(TransferRequest, HandleClosesOnceAfterTheLastCallWhoeverEnds) {
    for (bool userCloses : {false, true}) {
        Platform platform;
        TransferRequest request(platform, &platform, 7);
        ASSERT_TRUE(request.Own(kHandle));
        int calls = 0;
        EXPECT_TRUE(request.Use([&](void* handle) {
            EXPECT_EQ(handle, kHandle);
            ++calls;
            if (userCloses) {
                request.Close();
            } else {
                request.End(TransferFailure{});
            }
            request.End(HttpResponseInfo{});
            EXPECT_TRUE(platform.closed.empty()) << "closed under a call";
        }));
        EXPECT_EQ(platform.closed, std::vector<void*>{kHandle});
        EXPECT_FALSE(request.Use([&](void*) { ++calls; }));
        EXPECT_EQ(calls, 1);
        request.Close();
        EXPECT_EQ(platform.closed.size(), 1u);
        EXPECT_EQ(request.Take().end.has_value(), !userCloses);
    }
}

// Closed by the user-interface thread: nothing wakes it again, and a handle created afterwards
// is closed at once.
TEST(TransferRequest, ClosedRequestWakesNobodyAndRefusesAHandle) {
    Platform platform;
    TransferRequest request(platform, &platform, 7);
    request.Close();
    request.AddData("abc");
    request.End(HttpResponseInfo{});
    EXPECT_EQ(platform.wakes, 0);
    EXPECT_FALSE(request.Own(kHandle));
    EXPECT_EQ(platform.closed, std::vector<void*>{kHandle});
}

}  // namespace
}  // namespace nimbrel
