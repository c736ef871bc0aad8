// The animated status line, the message followed by one to ten dots while the window is seen,
// and its tooltip.
#include "app/data_age.h"
#include "app/frm_nimbrel.h"

namespace nimbrel {

void FrmNimbrel::Timer2_Timer() {
    DotCount = static_cast<std::int16_t>((DotCount + 1) % 10);
    ShowStatusText();
}

void FrmNimbrel::Form_Seen(bool seen) {
    // Each tick wakes the program; nobody sees the dots of a minimised window, and the countdown
    // keeps its own timer.
    if (controls_.Timer2.Enabled() == seen) {
        return;
    }
    controls_.Timer2.SetEnabled(seen);
    if (seen) {
        ShowStatusText();
    }
}

void FrmNimbrel::ShowStatusText() {
    controls_.lblStatus.SetCaption(StatusText +
                                   std::string(static_cast<std::size_t>(DotCount) + 1, '.'));
}

std::string FrmNimbrel::DataSummary() const {
    return SummarizeReports(record_.written[0], record_.written[1], record_.updatedAt,
                            ReferenceNow());
}

std::string FrmNimbrel::StatusTip() const {
    std::string tip = StatusText;
    // The reasons outlive the line's text once the countdown replaces it.
    for (const Reason& reason : lastResult_.reasons) {
        if (reason.text != StatusText) {
            tip += "\n" + reason.text;
        }
    }
    for (const std::string* notice : {&simulatorNotice_, &transferNotice_}) {
        if (!notice->empty() && *notice != StatusText) {
            tip += "\n" + *notice;
        }
    }
    const std::string summary = DataSummary();
    return summary.empty() ? tip : tip + "\n" + summary;
}

}  // namespace nimbrel
