#include "util/center_form.h"

namespace nimbrel {

void CenterForm(const Screen& screen, Form& form) {
    form.SetTop((screen.Height() - form.Height()) / 2.0f);
    form.SetLeft((screen.Width() - form.Width()) / 2.0f);
}

}  // namespace nimbrel
