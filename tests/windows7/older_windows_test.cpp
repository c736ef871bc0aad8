// The main window's layout and the clock, once with the functions of newer Windows versions and
// once as on Windows 7, where the table of those functions is empty. The runner sets the DPI of
// the Wine prefix and passes it on: --dpi=N.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "app/clock_win32.h"
#include "ui/form_win32.h"
#include "ui/main_window_design.h"
#include "ui/main_window_win32.h"
#include "util/twips.h"
#include "util/windows_functions_win32.h"

namespace nimbrel {
namespace {

int g_dpi = 0;

enum class Windows { ThisOne, Seven };

class OnEachWindows : public testing::TestWithParam<Windows> {
  protected:
    void SetUp() override {
        if (GetParam() == Windows::Seven) {
            NewerWindowsFunctions() = {};
        }
    }
    void TearDown() override { NewerWindowsFunctions() = lookedUp_; }

  private:
    const WindowsFunctions lookedUp_ = NewerWindowsFunctions();
};

RECT ClientRectOf(HWND control, HWND parent) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

TEST_P(OnEachWindows, MainWindowIsLaidOutAtTheSystemDpi) {
    Win32MainWindow window(GetModuleHandleW(nullptr));
    EXPECT_EQ(window.Dpi(), g_dpi);
    RECT client{};
    GetClientRect(window.Hwnd(), &client);
    EXPECT_EQ(client.right, TwipsToPixels(main_window::kClientWidth, g_dpi));
    EXPECT_EQ(client.bottom, TwipsToPixels(main_window::kClientHeight, g_dpi));
    for (const ControlDesign& design : main_window::kControls) {
        const RECT rect = ClientRectOf(GetDlgItem(window.Hwnd(), design.id), window.Hwnd());
        EXPECT_EQ(rect.left, TwipsToPixels(design.left, g_dpi)) << design.id;
        EXPECT_EQ(rect.top, TwipsToPixels(design.top, g_dpi)) << design.id;
        EXPECT_EQ(rect.right - rect.left, TwipsToPixels(design.width, g_dpi)) << design.id;
        EXPECT_EQ(rect.bottom - rect.top, TwipsToPixels(design.height, g_dpi)) << design.id;
    }
    EXPECT_EQ(TwipsToPixels(Win32Screen(window).Width(), g_dpi), GetSystemMetrics(SM_CXSCREEN));
}

TEST_P(OnEachWindows, ClockTellsTheTimeOfDay) {
    const auto difference = Win32Clock().UtcNow() - std::chrono::system_clock::now();
    EXPECT_LT(std::chrono::abs(difference), std::chrono::seconds(1));
}

INSTANTIATE_TEST_SUITE_P(, OnEachWindows, testing::Values(Windows::ThisOne, Windows::Seven),
                         [](const auto& info) {
                             return info.param == Windows::Seven ? "Windows7" : "ThisWindows";
                         });

// Wine has every function of the table: a name misspelt there would leave an entry empty.
TEST(NewerWindowsFunctions, FindsWhatThisWindowsHas) {
    const WindowsFunctions& table = NewerWindowsFunctions();
    EXPECT_TRUE(table.GetDpiForWindow);
    EXPECT_TRUE(table.GetDpiForSystem);
    EXPECT_TRUE(table.AdjustWindowRectExForDpi);
    EXPECT_TRUE(table.SetProcessDpiAwarenessContext);
    EXPECT_TRUE(table.GetDpiForMonitor);
    EXPECT_TRUE(table.GetSystemTimePreciseAsFileTime);
    EXPECT_TRUE(table.RtlGetLastNtStatus);
}

}  // namespace
}  // namespace nimbrel

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    constexpr const char kDpiOption[] = "--dpi=";
    if (argc != 2 || std::strncmp(argv[1], kDpiOption, std::strlen(kDpiOption)) != 0) {
        std::fprintf(stderr, "usage: older_windows_test --dpi=N [GoogleTest options]\n");
        return 2;
    }
    nimbrel::g_dpi = std::atoi(argv[1] + std::strlen(kDpiOption));
    return RUN_ALL_TESTS();
}
