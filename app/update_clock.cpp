// An update and the servers' clock: each response tells the time when its headers came, and a far
// move of the reference may make another hour the clock's.
#include <algorithm>
#include <utility>

#include "app/frm_nimbrel.h"
#include "app/update.h"
#include "retrieval/utc_fields.h"

namespace nimbrel {

namespace {

// A move of the reference further than this during an update may make another hour the clock's;
// a nearer one is the reference's refinement, and the turn of the hour copes with it.
constexpr std::chrono::hours kFarMove{2};

}  // namespace

void Update::Observe(const std::string& date, const std::string& age,
                     std::optional<std::chrono::milliseconds> headersAt) {
    const auto received = headersAt.value_or(frm_.services_.clock.Now());
    const auto moved = frm_.record_.reference.Observe(date, age, received, LocalUtcAt(received));
    if (moved > kFarMove || moved < -kFarMove) {
        referenceMoved_ = true;
    }
}

// A proxy's refusal carries its own clock, not the server's.
void Update::Observe(const TransferFailure& failure) {
    if (failure.serverTime) {
        Observe(failure.date, failure.age, failure.headersAt);
    }
}

std::chrono::system_clock::time_point Update::LocalUtcAt(std::chrono::milliseconds at) const {
    const auto since = std::chrono::floor<std::chrono::seconds>(frm_.services_.clock.Now() - at);
    return ClampedShift(frm_.services_.clock.UtcNow(), -since);
}

std::chrono::system_clock::time_point Update::ReferenceAt(
    std::optional<std::chrono::milliseconds> at) const {
    return at ? frm_.record_.reference.Now(*at, LocalUtcAt(*at)) : frm_.ReferenceNow();
}

bool Update::ChoseAnotherCycle() {
    // A report being written belongs to the choice made: the next comes once it is done.
    const bool writing = std::ranges::any_of(downloads_, [](const Download& download) {
        return download.stage == DownloadStage::Writing;
    });
    if (!referenceMoved_ || writing || frm_.services_.server.layout != ServerLayout::Current ||
        downloads_[0].origin == Origin::Click) {
        return false;
    }
    referenceMoved_ = false;
    CycleChoice again = CycleChoiceFrom(choice_.listed ? frm_.ZuluPage : "");
    if (again.ClocksCycle() == choice_.ClocksCycle()) {
        return false;
    }
    choice_ = std::move(again);
    frm_.ZuluCycle = choice_.cycle;
    frm_.GetNOAAMetar(choice_.cycle);
    return true;
}

}  // namespace nimbrel
