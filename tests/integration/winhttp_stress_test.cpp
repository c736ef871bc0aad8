// Starts, cancels and restarts transfers at random on three controls, against fast, briefly
// stalled and dripping responses. No event may reach a transfer other than its own, and every
// body that completes must be whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>

#include "app/failure_text.h"
#include "retrieval/winhttp_transfer.h"
#include "tests/integration/winhttp_test_support.h"

namespace nimbrel {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using Clock = std::chrono::steady_clock;

// run_winhttp_tests.py has the stand-in send these at once, with a pause of most of a second
// halfway, and in pieces over half a second; each file's bytes are its own.
constexpr std::array<const char*, 3> kPaths = {"/stress/fast.TXT", "/stress/stalled.TXT",
                                               "/stress/drip.TXT"};
constexpr int kCycles = 1000;
// Between two actions the message loop runs for up to this long.
constexpr int kMaxPumpMs = 30;

// Holds each event against the transfer its control started last.
class Checker : public HttpListener {
  public:
    void Expect(const std::string& body) {
        expected_ = &body;
        received_.clear();
    }
    void Forget() { expected_ = nullptr; }
    bool Busy() const { return expected_ != nullptr; }

    void OnDataArrival(std::string chunk) override {
        if (!Heard()) {
            return;
        }
        received_.append(chunk);
        if (expected_->compare(0, received_.size(), received_) != 0) {
            ++misplaced;
            Forget();
        }
    }
    void OnError(const TransferFailure& failure) override {
        if (Heard()) {
            std::printf("  error: %s\n", DescribeTransferFailure(failure).c_str());
            ++failed;
            Forget();
        }
    }
    void OnComplete(const HttpResponseInfo&) override {
        if (Heard()) {
            ++(received_ == *expected_ ? completed : misplaced);
            Forget();
        }
    }

    int stray = 0;      // events while none of this control's transfers was under way
    int misplaced = 0;  // bytes that do not belong to the transfer they reached
    int completed = 0;
    int failed = 0;

  private:
    bool Heard() {
        stray += Busy() ? 0 : 1;
        return Busy();
    }

    const std::string* expected_ = nullptr;
    std::string received_;
};

struct Station {
    WinHttpControl control;
    Checker checker;
};

TEST(WinHttpStress, ThousandStartsCancelsAndRestartsOnThreeControls) {
    std::array<std::string, kPaths.size()> bodies;
    std::transform(kPaths.begin(), kPaths.end(), bodies.begin(), DataFile);
    std::array<Station, 3> stations;
    for (Station& station : stations) {
        station.control.SetListener(station.checker);
    }
    std::mt19937 random(20250114);
    int starts = 0;
    int restarts = 0;
    int cancels = 0;
    std::size_t mostInFlight = 0;

    const auto begin = Clock::now();
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        Station& station = stations[random() % stations.size()];
        if (random() % 4 == 0) {
            cancels += station.checker.Busy() ? 1 : 0;
            station.control.Cancel();
            station.checker.Forget();
        } else {
            ++(station.checker.Busy() ? restarts : starts);
            const std::size_t which = random() % kPaths.size();
            station.control.SetUrl(Url(kPaths[which]));
            station.control.Start();
            station.checker.Expect(bodies[which]);
        }
        PumpFor(milliseconds(random() % 2 ? 0 : random() % kMaxPumpMs));
        mostInFlight = std::max(mostInFlight, WinHttpTransfersInFlight());
    }
    const auto cycles = Clock::now() - begin;

    for (Station& station : stations) {
        cancels += station.checker.Busy() ? 1 : 0;
        station.control.Cancel();
        station.checker.Forget();
    }
    // WinHTTP's closing of a handle posts no message, so the count is looked at now and then.
    const auto cancelled = Clock::now();
    while (WinHttpTransfersInFlight() > 0 && Clock::now() - cancelled < seconds(1)) {
        PumpFor(milliseconds(5));
    }
    const auto drained = Clock::now() - cancelled;
    EXPECT_EQ(WinHttpTransfersInFlight(), 0u) << "transfers still hold their handles";

    Checker total;
    for (const Station& station : stations) {
        total.stray += station.checker.stray;
        total.misplaced += station.checker.misplaced;
        total.completed += station.checker.completed;
        total.failed += station.checker.failed;
    }
    const auto ms = [](auto duration) {
        return static_cast<long long>(std::chrono::duration_cast<milliseconds>(duration).count());
    };
    std::printf(
        "  %d cycles in %lld ms: %d starts, %d restarts, %d cancels; %d completed whole, %d "
        "failed, %d misplaced, %d stray; at most %zu transfers in WinHTTP at once; the last "
        "cancelled ones gone after %lld ms\n",
        kCycles, ms(cycles), starts, restarts, cancels, total.completed, total.failed,
        total.misplaced, total.stray, mostInFlight, ms(drained));
    EXPECT_EQ(total.stray, 0);
    EXPECT_EQ(total.misplaced, 0);
    EXPECT_EQ(total.failed, 0);
    EXPECT_GT(total.completed, kCycles / 20);
    EXPECT_LT(cycles, seconds(60));
}

}  // namespace
}  // namespace nimbrel
