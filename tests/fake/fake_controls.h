// Stand-ins for the main window's controls and the other windows.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/ui_ports.h"
#include "tests/fake/event_loop.h"
#include "util/form.h"

namespace nimbrel::fake {

class FakeLabel : public Label {
  public:
    std::string Caption() const override { return caption; }
    void SetCaption(const std::string& text) override { caption = text; }
    void SetForeColour(Colour value) override {
        colour = value;
        colours.push_back(value);
    }

    std::string caption;
    Colour colour = 0x008000;
    std::vector<Colour> colours;  // every colour set, in order
};

class FakeTextBox : public TextBox {
  public:
    std::string Text() const override { return text; }
    void SetText(const std::string& value) override { text = value; }

    std::string text;
};

// Ticks through the event loop like a platform timer: every interval while enabled; ticks keep
// coming while a handler pumps messages.
class FakeTimer : public Timer {
  public:
    FakeTimer(EventLoop& loop, milliseconds interval, bool enabled);

    void SetHandler(std::function<void()> onTick) { onTick_ = std::move(onTick); }
    bool Enabled() const override { return enabled_; }
    void SetEnabled(bool enabled) override;

  private:
    void Schedule();

    EventLoop& loop_;
    milliseconds interval_;
    bool enabled_ = false;
    unsigned generation_ = 0;
    std::function<void()> onTick_;
};

class FakeForm : public Form {
  public:
    FakeForm(float width, float height) : width_(width), height_(height) {}

    float Height() const override { return height_; }
    float Width() const override { return width_; }
    void SetTop(float twips) override { top = twips; }
    void SetLeft(float twips) override { left = twips; }
    void Close() override {
        ++closeRequests;
        if (onClose) {
            onClose();
        }
    }

    void Flash() override { ++flashes; }

    float top = -1;
    float left = -1;
    int closeRequests = 0;
    int flashes = 0;
    std::function<void()> onClose;

  private:
    float width_;
    float height_;
};

class FakeScreen : public Screen {
  public:
    FakeScreen(float width, float height) : width_(width), height_(height) {}

    float Height() const override { return height_; }
    float Width() const override { return width_; }

  private:
    float width_;
    float height_;
};

// The splash screen holds start-up for 2500 ms while the loop runs; the About box runs whatever
// the test wants while it is open.
class FakeModalWindows : public ModalWindows {
  public:
    explicit FakeModalWindows(EventLoop& loop) : loop_(loop) {}

    void ShowSplash() override;
    void ShowAbout() override;

    int splashShown = 0;
    int aboutShown = 0;
    std::function<void()> whileAboutOpen;

  private:
    EventLoop& loop_;
};

}  // namespace nimbrel::fake
