// One update from start to end, and the minute countdown that repeats it.
#include "app/failure_text.h"
#include "app/frm_nimbrel.h"

#include <algorithm>

namespace nimbrel {

namespace {

// Undoes the nesting count however the update ends.
class NestingGuard {
  public:
    explicit NestingGuard(int& depth) : depth_(depth) { ++depth_; }
    ~NestingGuard() { --depth_; }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;

  private:
    int& depth_;
};

}  // namespace

void FrmNimbrel::Command1_Click() {
    // Every nested update fetches the same newest files, so clicks beyond the bound add nothing.
    if (closing_ || updateDepth_ >= kMaxNestedUpdates) {
        return;
    }
    NestingGuard nesting(updateDepth_);
    RunUpdate();
}

void FrmNimbrel::RunUpdate() {
    controls_.Timer1.SetEnabled(false);
    reasonRank_ = ReasonRank::None;
    reason_.clear();
    if (!MetarFolder()) {
        lastOutcome_ = UpdateOutcome::Failed;
        RestartCountdown();
        return;
    }
    SetStatus(kPurple, "Getting NOAA Zulu time");
    GetNOAAList();

    WaitOutcome outcome =
        PumpUntil([this] { return !ZuluCycle.empty() || cycleTransferEnded_; }, kCycleWaitLimit);
    if (outcome == WaitOutcome::Closing) {
        return;
    }
    if (outcome == WaitOutcome::TimedOut && services_.server.layout == ServerLayout::Current) {
        // A listing that never comes only advises nothing: the clock decides.
        controls_.HTTP1.Cancel();
        TakeListedCycle("", "");
    }
    if (ZuluCycle.empty()) {
        // The transfer's own handlers have shown why, unless it never ended.
        if (outcome == WaitOutcome::TimedOut) {
            controls_.HTTP1.Cancel();
            ShowFailure(TransferFailureText("No answer from the server within 90 seconds"));
        }
        lastOutcome_ = UpdateOutcome::Failed;
        RestartCountdown();
        return;
    }

    GetNOAAMetar(ZuluCycle);
    outcome = PumpUntil([this] { return currentReport_.ended && previousReport_.ended; },
                        kDownloadWaitLimit);
    if (outcome == WaitOutcome::Closing) {
        return;
    }
    if (outcome == WaitOutcome::TimedOut) {
        controls_.HTTP2.Cancel();
        controls_.HTTP3.Cancel();
        ReportDownloadError(
            TransferFailureText("The cycle files did not arrive within 10 minutes"));
    }
    if (downloadFailed_) {
        // The reason stays on the line in red; the next update still comes.
        lastOutcome_ = UpdateOutcome::Failed;
        RestartCountdown();
        return;
    }
    if (!oldDataText_.empty()) {
        // The reports are written, since they are the newest there are; the line says how old.
        SetStatus(kRed, oldDataText_);
        NoteReason(ReasonRank::OldData, oldDataText_);
        lastOutcome_ = UpdateOutcome::OldData;
        RestartCountdown();
        return;
    }
    lastOutcome_ = UpdateOutcome::Written;
    controls_.lblStatus.SetForeColour(kBlue);
    SetTimer();
}

template <typename Condition>
FrmNimbrel::WaitOutcome FrmNimbrel::PumpUntil(Condition done, std::chrono::milliseconds limit) {
    const auto deadline = services_.clock.Now() + limit;
    for (;;) {
        if (closing_ || services_.pump.PumpPending()) {
            closing_ = true;
            return WaitOutcome::Closing;
        }
        if (simulatorDue_ && services_.clock.Now() >= *simulatorDue_) {
            StartWatchedSimulator();
            continue;
        }
        if (done()) {
            return WaitOutcome::Done;
        }
        const auto now = services_.clock.Now();
        if (runDeadline_ && now >= *runDeadline_) {
            closing_ = true;
            return WaitOutcome::Closing;
        }
        if (now >= deadline) {
            return WaitOutcome::TimedOut;
        }
        const auto wake =
            std::min({deadline, runDeadline_.value_or(deadline), simulatorDue_.value_or(deadline)});
        services_.pump.WaitForEvent(wake - now);
    }
}

bool FrmNimbrel::PauseFor(std::chrono::milliseconds pause) {
    return PumpUntil([] { return false; }, pause) == WaitOutcome::TimedOut;
}

void FrmNimbrel::Timer1_Timer() {
    --MinutesLeft;
    controls_.lblStatus.SetCaption(CountdownText());
    StatusText = CountdownText();
    if (MinutesLeft < 1) {
        controls_.Timer1.SetEnabled(false);
        Command1_Click();
    }
}

std::string FrmNimbrel::CountdownText() const {
    return "Next update in " + std::to_string(MinutesLeft) + " minute" +
           (MinutesLeft != 1 ? "s" : "");
}

void FrmNimbrel::RestartCountdown() {
    MinutesLeft = static_cast<std::int16_t>(settings_.intervalMinutes);
    controls_.Timer1.SetEnabled(true);
}

void FrmNimbrel::SetStatus(Colour colour, std::string text) {
    // The caption goes with the colour, which the label paints with it: a new colour never
    // shows over the last message's text, or over the bare dots of a window that has shown none.
    controls_.lblStatus.SetForeColour(colour);
    StatusText = std::move(text);
    ShowStatusText();
    if (statusLog_) {
        statusLog_->OnStatus(colour, StatusText);
    }
}

void FrmNimbrel::ShowFailure(const std::string& message) {
    SetStatus(kRed, message);
    NoteReason(ReasonRank::Failure, message);
}

void FrmNimbrel::NoteReason(ReasonRank rank, const std::string& text) {
    if (rank < reasonRank_) {
        return;
    }
    // Notes add up; a failure replaces the one before, as it does on the line.
    if (rank == ReasonRank::Note && reasonRank_ == ReasonRank::Note) {
        reason_ += "; " + text;
    } else {
        reason_ = text;
    }
    reasonRank_ = rank;
}

void FrmNimbrel::TellNotice(const std::string& notice) {
    if (notice.empty()) {
        return;
    }
    if (statusLog_) {
        statusLog_->OnStatus(kPurple, notice);
    } else {
        NoteReason(ReasonRank::Note, notice);
    }
}

std::string FrmNimbrel::TransferFailureText(const std::string& message) const {
    // Naming the server lets the user tell an outage there from a problem here.
    return message + " [" + DescribeServer(services_.server) + "]";
}

std::string FrmNimbrel::TransferFailureText(const TransferFailure& failure) const {
    return TransferFailureText(DescribeTransferFailure(failure));
}

}  // namespace nimbrel
