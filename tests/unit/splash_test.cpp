#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/splash.h"
#include "tests/fake/fake_controls.h"

namespace nimbrel {
namespace {

using Log = std::vector<std::string>;

// Records what the handlers do to the window and its timer, in one shared order.
class RecordingWindow : public Window {
  public:
    explicit RecordingWindow(Log& log) : log_(log) {}

    void Repaint() override { log_.push_back("repaint"); }
    void Unload() override { log_.push_back("unload"); }

  private:
    Log& log_;
};

class RecordingTimer : public Timer {
  public:
    explicit RecordingTimer(Log& log) : log_(log) {}

    bool Enabled() const override { return enabled_; }
    void SetEnabled(bool enabled) override {
        enabled_ = enabled;
        log_.push_back(enabled ? "timer on" : "timer off");
    }

  private:
    Log& log_;
    bool enabled_ = true;
};

class SplashTest : public ::testing::Test {
  protected:
    Log log;
    RecordingWindow window{log};
    RecordingTimer timer{log};
    fake::FakeForm form{6690, 5040};
    fake::FakeScreen screen{15360, 11520};
    Splash splash{{form, window, timer}, screen};
};

TEST_F(SplashTest, LoadCentresTheWindowAndRepaintsIt) {
    splash.Form_Load();
    EXPECT_FLOAT_EQ(form.left, 4335);
    EXPECT_FLOAT_EQ(form.top, 3240);
    EXPECT_EQ(log, Log{"repaint"});
}

TEST_F(SplashTest, FirstActivationRepaints) {
    EXPECT_FALSE(splash.Activated);
    splash.Form_Activate();
    EXPECT_TRUE(splash.Activated);
    EXPECT_EQ(log, Log{"repaint"});
}

TEST_F(SplashTest, SecondActivationDoesNotRepaint) {
    splash.Form_Activate();
    splash.Form_Activate();
    splash.Form_Activate();
    EXPECT_TRUE(splash.Activated);
    EXPECT_EQ(log, Log{"repaint"});
}

TEST_F(SplashTest, TickSwitchesTheTimerOffThenUnloads) {
    splash.Timer1_Timer();
    EXPECT_FALSE(timer.Enabled());
    EXPECT_EQ(log, (Log{"timer off", "unload"}));
}

TEST_F(SplashTest, StaysUpForTwoAndAHalfSeconds) {
    EXPECT_EQ(Splash::kTimer1Interval, std::chrono::milliseconds(2500));
}

}  // namespace
}  // namespace nimbrel
