#include "app/about_nimbrel.h"

#include <string>

#include "util/center_form.h"

namespace nimbrel {

AboutNimbrel::AboutNimbrel(AboutNimbrelControls controls, const Screen& screen, Shell& shell)
    : controls_(controls), screen_(screen), shell_(shell) {}

void AboutNimbrel::Form_Load() {
    CenterForm(screen_, controls_.form);
}

void AboutNimbrel::Command1_Click() {
    controls_.window.Unload();
}

void AboutNimbrel::Label3_Click() {
    // The link shows the bare address; the page itself is asked for with its root path.
    shell_.Open(std::string(kMakerAddress) + "/", "", shell_.ProgramFolder(), WindowState::Normal);
}

}  // namespace nimbrel
