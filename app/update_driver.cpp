// Starting an update, the waits that pump events, and the minute countdown that repeats it.
#include <algorithm>
#include <utility>

#include "app/failure_text.h"
#include "app/frm_nimbrel.h"
#include "app/update.h"
#include "util/runtime_error.h"

namespace nimbrel {

void FrmNimbrel::Command1_Click() {
    // Every nested update fetches the same newest files, so clicks beyond the bound add nothing.
    if (!life_.MayStart() || UpdateDepth() >= kMaxNestedUpdates) {
        return;
    }
    Update update(*this);
    try {
        update.Run();
    } catch (const std::exception& error) {
        // One update ends, failed; the countdown brings the next.
        update.Abandon(DescribeError(error));
    }
    // Held in a loop other than the update's waits, an error has no update left to end.
    if (heldFailure_ && !update_) {
        HandlerFailed(std::exchange(heldFailure_, nullptr));
    }
}

int FrmNimbrel::UpdateDepth() const {
    int depth = 0;
    for (const Update* update = update_; update; update = update->Outer()) {
        ++depth;
    }
    return depth;
}

void FrmNimbrel::EndUpdate(UpdateResult result) {
    lastResult_ = std::move(result);
    if (const std::string* alarm = lastResult_.Alarm()) {
        // The reason stays on the line in red; the next update still comes.
        if (StatusText != *alarm) {
            SetStatus(kRed, *alarm);
        }
        RestartCountdown();
        return;
    }
    SetStatusColour(kBlue);
    SetTimer();
}

FrmNimbrel::WaitOutcome FrmNimbrel::PumpUntil(const std::function<bool()>& done,
                                              std::chrono::milliseconds limit) {
    const auto deadline = services_.clock.Now() + limit;
    for (;;) {
        if (life_.Closing() || services_.pump.PumpPending()) {
            life_.Close();
            return WaitOutcome::Closing;
        }
        RaiseHeldFailure();
        if (done()) {
            return WaitOutcome::Done;
        }
        const auto now = services_.clock.Now();
        if (runDeadline_ && now >= *runDeadline_) {
            life_.Close();
            return WaitOutcome::Closing;
        }
        if (now >= deadline) {
            return WaitOutcome::TimedOut;
        }
        services_.pump.WaitForEvent(std::min(deadline, runDeadline_.value_or(deadline)) - now);
    }
}

bool FrmNimbrel::PauseFor(std::chrono::milliseconds pause) {
    return PumpUntil([] { return false; }, pause) == WaitOutcome::TimedOut;
}

void FrmNimbrel::Timer1_Timer() {
    --MinutesLeft;
    ShowCountdown();
}

void FrmNimbrel::ShowCountdown() {
    controls_.lblStatus.SetCaption(CountdownText());
    StatusText = CountdownText();
    if (MinutesLeft < 1) {
        controls_.Timer1.SetEnabled(false);
        Command1_Click();
    }
}

void FrmNimbrel::Form_Resumed() {
    const auto now = services_.clock.Now();
    resumedAt_ = now;
    resumeRetried_ = false;
    // No countdown runs before the first update or during one.
    if (!controls_.Timer1.Enabled()) {
        return;
    }
    const auto left = std::max(countdownDeadline_ - now, std::chrono::milliseconds(0));
    MinutesLeft = static_cast<std::int16_t>(std::chrono::ceil<std::chrono::minutes>(left).count());
    ShowCountdown();
}

void FrmNimbrel::NoteFailureAfterResume(const TransferFailure& failure) {
    constexpr auto kAfterResume = std::chrono::minutes(2);
    const bool notConnected =
        !failure.connected && (failure.kind == TransferFailureKind::Connection ||
                               failure.kind == TransferFailureKind::NameResolution ||
                               failure.kind == TransferFailureKind::TimedOut);
    if (notConnected && resumedAt_ && !resumeRetried_ &&
        services_.clock.Now() - *resumedAt_ <= kAfterResume) {
        resumeRetryDue_ = true;
    }
}

std::string FrmNimbrel::CountdownText() const {
    return "Next update in " + std::to_string(MinutesLeft) + " minute" +
           (MinutesLeft != 1 ? "s" : "");
}

void FrmNimbrel::RestartCountdown() {
    const bool retry = resumeRetryDue_ && lastResult_.outcome == UpdateOutcome::Failed;
    const int minutes = retry ? 1 : settings_.intervalMinutes;
    resumeRetried_ = resumeRetried_ || retry;
    resumeRetryDue_ = false;
    MinutesLeft = static_cast<std::int16_t>(minutes);
    countdownDeadline_ = services_.clock.Now() + std::chrono::minutes(minutes);
    controls_.Timer1.SetEnabled(true);
}

void FrmNimbrel::SetStatus(Colour colour, std::string text) {
    // The caption goes with the colour, which the label paints with it: a new colour never
    // shows over the last message's text, or over the bare dots of a window that has shown none.
    SetStatusColour(colour);
    StatusText = std::move(text);
    ShowStatusText();
    if (statusLog_) {
        statusLog_->OnStatus(colour, StatusText);
    }
}

void FrmNimbrel::SetStatusColour(Colour colour) {
    statusColour_ = colour;
    controls_.lblStatus.SetForeColour(colour);
}

void FrmNimbrel::ShowFailure(const std::string& message) {
    SetStatus(kRed, message);
}

void FrmNimbrel::TellNotice(const std::string& notice) {
    if (notice.empty()) {
        return;
    }
    if (statusLog_) {
        statusLog_->OnStatus(kPurple, notice);
    } else {
        transferNotice_ = notice;
    }
}

std::string FrmNimbrel::TransferFailureText(const std::string& message) const {
    // Naming the server lets the user tell an outage there from a problem here.
    return message + " [" + DescribeServer(services_.server) + "]";
}

std::string FrmNimbrel::TransferFailureText(const TransferFailure& failure) const {
    return TransferFailureText(DescribeTransferFailure(failure));
}

std::chrono::system_clock::time_point FrmNimbrel::ReferenceNow() const {
    return record_.reference.Now(services_.clock.Now(), services_.clock.UtcNow());
}

}  // namespace nimbrel
