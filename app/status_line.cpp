// The animated status line, the message followed by one to ten dots while the window is seen,
// and its tooltip.
#include <algorithm>
#include <string_view>

#include "app/data_age.h"
#include "app/frm_nimbrel.h"

namespace nimbrel {

namespace {

constexpr std::string_view kEllipsis = "\xE2\x80\xA6";

// The width of the byte at `at` of a UTF-8 text as the tooltip holds it, in UTF-16 units, a line
// break written CR LF.
std::size_t CharacterWidth(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if ((lead & 0xC0) == 0x80) {
        return 0;  // within a character already counted
    }
    return lead >= 0xF0 || lead == '\n' ? 2 : 1;
}

std::size_t TipLength(std::string_view text) {
    std::size_t length = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        length += CharacterWidth(text, at);
    }
    return length;
}

// The longest start of `text` within `limit`, of whole characters.
std::string_view TipPrefix(std::string_view text, std::size_t limit) {
    std::size_t length = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        length += CharacterWidth(text, at);
        if (length > limit) {
            return text.substr(0, at);  // `at` begins a character: only a lead byte adds width
        }
    }
    return text;
}

}  // namespace

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
    const std::string tail = summary.empty() ? "" : "\n" + summary;
    if (TipLength(tip) + TipLength(tail) <= kStatusTipLimit) {
        return tip + tail;
    }
    // The most serious reasons come first and the summary of the files last: the middle gives way.
    const std::size_t room =
        kStatusTipLimit - std::min(kStatusTipLimit, TipLength(tail) + TipLength(kEllipsis));
    return std::string(TipPrefix(tip, room)) + std::string(kEllipsis) + tail;
}

}  // namespace nimbrel
