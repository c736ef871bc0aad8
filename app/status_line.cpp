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
    return SummarizeReports(currentReport_.written, previousReport_.written, updatedAt_);
}

std::string FrmNimbrel::StatusTip() const {
    const std::string summary = DataSummary();
    return summary.empty() ? StatusText : StatusText + "\n" + summary;
}

}  // namespace nimbrel
