// The base of Nimbrel's own windows: one window procedure that finds the C++ object stored at
// WM_NCCREATE and lets it handle the message.
#pragma once

#include <windows.h>

namespace nimbrel {

class BaseWindow {
  public:
    BaseWindow() = default;
    virtual ~BaseWindow();
    BaseWindow(const BaseWindow&) = delete;
    BaseWindow& operator=(const BaseWindow&) = delete;

    // Null once the window has been destroyed, so that adapters holding on to the object can
    // tell, even when a handler destroyed the window while code further out still runs.
    HWND Hwnd() const { return hwnd_; }
    // The DPI the window is laid out for.
    int Dpi() const;
    // Paints the window at once instead of at the platform's next paint message.
    void RepaintNow() const;

  protected:
    struct WindowClass {
        const wchar_t* name;
        HBRUSH background;
        int iconId;  // 0: no icon
    };

    // Registers the class on first use and creates the window, hidden, with no size yet. An
    // owned window stays in front of its owner.
    void Create(HINSTANCE instance, const WindowClass& windowClass, const wchar_t* caption,
                DWORD style, DWORD exStyle, HWND owner = nullptr);
    void Destroy();
    // Sizes the outer window so that its client area has this size at the window's DPI.
    void SetClientSize(int widthTwips, int heightTwips);
    // Takes the rectangle that WM_DPICHANGED suggests.
    void MoveToSuggestedRect(LPARAM suggestedRect);

    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
};

}  // namespace nimbrel
