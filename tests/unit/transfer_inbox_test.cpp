#include "retrieval/transfer_inbox.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>

namespace nimbrel {
namespace {

// Counts wake-ups and fails them while told to, as a full message queue does.
struct Waker {
    bool Wake() {
        ++asked;
        return !full;
    }
    int asked = 0;
    bool full = false;
};

TEST(TransferInbox, OneWakeUpPerBatchAndEverythingTakenAtOnce) {
    Waker waker;
    TransferInbox inbox([&] { return waker.Wake(); });
    inbox.AddBodySize(9);
    EXPECT_TRUE(inbox.AddData("abc"));
    EXPECT_TRUE(inbox.AddData("def"));
    EXPECT_EQ(waker.asked, 1);
    TransferBatch batch = inbox.Take();
    EXPECT_EQ(batch.bodySize, 9u);
    EXPECT_EQ(batch.data, "abcdef");
    EXPECT_FALSE(batch.end);
    // Taken: the next bytes ask for a wake-up of their own.
    EXPECT_TRUE(inbox.AddData("ghi"));
    inbox.End(HttpResponseInfo{.etag = "\"x\""});
    EXPECT_EQ(waker.asked, 2);
    batch = inbox.Take();
    EXPECT_EQ(batch.data, "ghi");
    ASSERT_TRUE(batch.end);
    EXPECT_EQ(std::get<HttpResponseInfo>(*batch.end).etag, "\"x\"");
}

// The final event whose wake-up could not be posted stays for the taker's sweep, and the
// first end is the only one.
TEST(TransferInbox, FinalEventOutlivesAFailedWakeUp) {
    Waker waker{.full = true};
    TransferInbox inbox([&] { return waker.Wake(); });
    EXPECT_TRUE(inbox.AddData("abc"));
    inbox.End(TransferFailure{.kind = TransferFailureKind::TimedOut});
    inbox.End(HttpResponseInfo{});
    EXPECT_EQ(waker.asked, 2) << "each addition tries again while no wake-up is on its way";
    const TransferBatch swept = inbox.Take();
    EXPECT_EQ(swept.data, "abc");
    ASSERT_TRUE(swept.end);
    EXPECT_EQ(std::get<TransferFailure>(*swept.end).kind, TransferFailureKind::TimedOut);
    EXPECT_FALSE(inbox.Take().end);
}

TEST(TransferInbox, ReadingPausesOnManyBytesWaitingAndResumesWhenTaken) {
    Waker waker;
    TransferInbox inbox([&] { return waker.Wake(); });
    const std::string piece(TransferInbox::kPauseBytes / 2, 'x');
    EXPECT_TRUE(inbox.AddData(piece));
    EXPECT_FALSE(inbox.AddData(piece));
    const TransferBatch batch = inbox.Take();
    EXPECT_TRUE(batch.resumeReading);
    EXPECT_EQ(batch.data.size(), TransferInbox::kPauseBytes);
    EXPECT_TRUE(inbox.AddData(piece));
    EXPECT_FALSE(inbox.Take().resumeReading);
}

}  // namespace
}  // namespace nimbrel
