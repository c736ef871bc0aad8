// The animated status line, the message followed by one to ten dots while the window is seen,
// and its tooltip.
#include <algorithm>
#include <cstdint>
#include <string_view>

#include "app/data_age.h"
#include "app/frm_nimbrel.h"

namespace nimbrel {

namespace {

constexpr std::string_view kEllipsis = "\xE2\x80\xA6";

// The longest start of a UTF-8 text, of whole characters, whose width as the tooltip holds it
// (UTF-16 units, a line break written CR LF) is within `limit`: its bytes and its width.
struct TipSpan {
    std::size_t bytes = 0;
    std::size_t width = 0;
};

TipSpan MeasureTip(std::string_view text, std::size_t limit = SIZE_MAX) {
    TipSpan span;
    for (; span.bytes < text.size(); ++span.bytes) {
        const auto lead = static_cast<unsigned char>(text[span.bytes]);
        if ((lead & 0xC0) == 0x80) {
            continue;  // within a character already counted
        }
        const std::size_t width = lead >= 0xF0 || lead == '\n' ? 2 : 1;
        if (span.width + width > limit) {
            break;
        }
        span.width += width;
    }
    return span;
}

}  // namespace

void FrmNimbrel::Timer2_Timer() {
    DotCount = static_cast<std::int16_t>((DotCount + 1) % 10);
    ShowStatusText();
}

void FrmNimbrel::Form_Seen(bool seen) {
    seen_ = seen;
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
    for (const std::string* notice : {&simulatorNotice_, &failureNotice_, &transferNotice_}) {
        if (!notice->empty() && *notice != StatusText) {
            tip += "\n" + *notice;
        }
    }
    const std::string summary = DataSummary();
    const std::string tail = summary.empty() ? "" : "\n" + summary;
    const std::size_t tailWidth = MeasureTip(tail).width;
    if (MeasureTip(tip).width + tailWidth <= kStatusTipLimit) {
        return tip + tail;
    }
    // The most serious reasons come first and the summary of the files last: the middle gives way.
    const std::size_t room =
        kStatusTipLimit - std::min(kStatusTipLimit, tailWidth + MeasureTip(kEllipsis).width);
    return tip.substr(0, MeasureTip(tip, room).bytes) + std::string(kEllipsis) + tail;
}

}  // namespace nimbrel
