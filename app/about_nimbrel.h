// The About box's handlers: centre on load, unload on "&Ok", open the maker's web page from the
// link.
#pragma once

#include "app/ui_ports.h"
#include "util/form.h"
#include "util/shell.h"

namespace nimbrel {

// The maker's home page, as the About box shows it.
inline constexpr const char* kMakerAddress = "http://www.corvane.com";

// The parts of the About box that its handlers drive.
struct AboutNimbrelControls {
    Form& form;
    Window& window;
};

class AboutNimbrel {
  public:
    AboutNimbrel(AboutNimbrelControls controls, const Screen& screen, Shell& shell);
    AboutNimbrel(const AboutNimbrel&) = delete;
    AboutNimbrel& operator=(const AboutNimbrel&) = delete;

    void Form_Load();
    void Command1_Click();  // "&Ok"
    void Label3_Click();    // the maker's web address

  private:
    AboutNimbrelControls controls_;
    const Screen& screen_;
    Shell& shell_;
};

}  // namespace nimbrel
