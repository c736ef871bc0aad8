// How an update came out, from the verdicts on its reports and its own failures: the status
// line's colour and text, the tooltip's reasons and a run's exit code all come from here.
#pragma once

#include <string>
#include <vector>

#include "app/report_verdict.h"
#include "app/ui_ports.h"

namespace nimbrel {

inline constexpr Colour kBlue = 0xC00000;
inline constexpr Colour kPurple = 0x800080;
inline constexpr Colour kGreen = 0x008000;
inline constexpr Colour kRed = 0x0000FF;

// How the last update that ran to its end came out, for any front end to report.
enum class UpdateOutcome {
    None,     // no update has ended yet
    Written,  // both reports are up to date
    OldData,  // both are, but NOAA's newest report is old
    Failed,   // a reason says why
};

// Exit codes of a run without a window.
inline constexpr int kOnceWritten = 0;
inline constexpr int kOnceFailed = 1;
inline constexpr int kOnceOldData = 3;  // written, but NOAA's newest report is old

// Why an update did not simply write both reports; a higher rank is more serious.
enum class ReasonRank { Note, OldData, Failure };

struct Reason {
    ReasonRank rank = ReasonRank::Note;
    std::string text{};

    bool operator==(const Reason&) const = default;
};

// What the user is told of one report's verdict; nothing for a plain success. `serverSuffix`
// names the server after a failure of its making.
std::optional<Reason> ReasonFor(const Verdict& verdict, const ReportFacts& facts,
                                const std::string& serverSuffix,
                                std::chrono::system_clock::time_point reference);

struct UpdateResult {
    UpdateOutcome outcome = UpdateOutcome::None;
    std::vector<Reason> reasons{};  // most serious first, each once
    bool wroteBoth = false;         // both reports were written, not kept

    Colour LineColour() const { return outcome == UpdateOutcome::Written ? kBlue : kRed; }
    int ExitCode() const;
    // What the line shows once the update has ended: the most serious reason, unless all is well.
    const std::string* Alarm() const;
    // Every reason, one a line.
    std::string ReasonLines() const;
    // Notes only, joined: "folder listing not available; 15Z not yet begun".
    std::string Notes() const;
};

// The worst reason decides: a failure, then old data; notes and nothing are success.
UpdateResult Summarize(std::vector<Reason> reasons);

}  // namespace nimbrel
