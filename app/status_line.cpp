// The animated status line: the message followed by one to ten dots.
#include "app/frm_nimbrel.h"

namespace nimbrel {

void FrmNimbrel::Timer2_Timer() {
    DotCount = static_cast<std::int16_t>((DotCount + 1) % 10);
    controls_.lblStatus.SetCaption(StatusText +
                                   std::string(static_cast<std::size_t>(DotCount) + 1, '.'));
}

}  // namespace nimbrel
