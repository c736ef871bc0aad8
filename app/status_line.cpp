// The animated status line, the message followed by one to ten dots, and its tooltip.
#include "app/data_age.h"
#include "app/frm_nimbrel.h"

namespace nimbrel {

void FrmNimbrel::Timer2_Timer() {
    DotCount = static_cast<std::int16_t>((DotCount + 1) % 10);
    ShowStatusText();
}

void FrmNimbrel::ShowStatusText() {
    controls_.lblStatus.SetCaption(StatusText +
                                   std::string(static_cast<std::size_t>(DotCount) + 1, '.'));
}

std::string FrmNimbrel::DataSummary() const {
    return SummarizeReports(currentReport_.written, previousReport_.written, updatedAt_,
                            serverNow_);
}

std::string FrmNimbrel::StatusTip() const {
    std::string tip = StatusText;
    // The reason outlives the line's text once the countdown replaces it.
    if (!reason_.empty() && reason_ != StatusText) {
        tip += "\n" + reason_;
    }
    if (!simulatorNotice_.empty() && simulatorNotice_ != StatusText) {
        tip += "\n" + simulatorNotice_;
    }
    const std::string summary = DataSummary();
    return summary.empty() ? tip : tip + "\n" + summary;
}

}  // namespace nimbrel
