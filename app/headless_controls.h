// Controls for a run without a window: they keep what the logic gives them and show nothing.
#pragma once

#include <string>

#include "app/ui_ports.h"
#include "util/form.h"

namespace nimbrel {

class HeadlessLabel : public Label {
  public:
    std::string Caption() const override { return caption_; }
    void SetCaption(const std::string& caption) override { caption_ = caption; }
    void SetForeColour(Colour) override {}

  private:
    std::string caption_;
};

class HeadlessTextBox : public TextBox {
  public:
    std::string Text() const override { return text_; }
    void SetText(const std::string& text) override { text_ = text; }

  private:
    std::string text_;
};

// Never ticks: a single update has no countdown and no animation.
class HeadlessTimer : public Timer {
  public:
    bool Enabled() const override { return enabled_; }
    void SetEnabled(bool enabled) override { enabled_ = enabled; }

  private:
    bool enabled_ = false;
};

class HeadlessForm : public Form {
  public:
    float Height() const override { return 0; }
    float Width() const override { return 0; }
    void SetTop(float) override {}
    void SetLeft(float) override {}
    void Close() override {}
    void Flash() override {}
};

class HeadlessScreen : public Screen {
  public:
    float Height() const override { return 0; }
    float Width() const override { return 0; }
};

class HeadlessModalWindows : public ModalWindows {
  public:
    void ShowSplash() override {}
    void ShowAbout() override {}
};

}  // namespace nimbrel
