#include "ui/base_window_win32.h"

#include <stdexcept>
#include <string>

#include "util/dpi_win32.h"
#include "util/handler_barrier_win32.h"
#include "util/twips.h"
#include "util/win32_text.h"

namespace nimbrel {

namespace {

HICON LoadIconOfSize(HINSTANCE instance, int iconId, int sizeMetric) {
    const int size = GetSystemMetrics(sizeMetric);
    return static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(iconId), IMAGE_ICON, size, size, LR_SHARED));
}

void RegisterOnce(HINSTANCE instance, const wchar_t* name, HBRUSH background, int iconId,
                  WNDPROC procedure) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(instance, name, &existing)) {
        return;
    }
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = name;
    if (iconId != 0) {
        windowClass.hIcon = LoadIconOfSize(instance, iconId, SM_CXICON);
        windowClass.hIconSm = LoadIconOfSize(instance, iconId, SM_CXSMICON);
    }
    if (!RegisterClassExW(&windowClass)) {
        throw std::runtime_error("The window class could not be registered: " +
                                 SystemErrorText(GetLastError()));
    }
}

}  // namespace

BaseWindow::~BaseWindow() {
    Destroy();
}

int BaseWindow::Dpi() const {
    return hwnd_ ? WindowDpi(hwnd_) : SystemDpi();
}

void BaseWindow::RepaintNow() const {
    if (hwnd_) {
        RedrawWindow(hwnd_, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_UPDATENOW);
    }
}

void BaseWindow::Create(HINSTANCE instance, const WindowClass& windowClass, const wchar_t* caption,
                        DWORD style, DWORD exStyle, HWND owner) {
    RegisterOnce(instance, windowClass.name, windowClass.background, windowClass.iconId,
                 &BaseWindow::WindowProc);
    CreateWindowExW(exStyle, windowClass.name, caption, style, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0,
                    owner, nullptr, instance, this);
    if (!hwnd_) {
        throw std::runtime_error("The window could not be created: " +
                                 SystemErrorText(GetLastError()));
    }
}

void BaseWindow::Destroy() {
    if (!hwnd_) {
        return;
    }
    // The object is going away: the window's last messages go to the default handling.
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
}

void BaseWindow::SetClientSize(int widthTwips, int heightTwips) {
    const int dpi = Dpi();
    RECT outer{0, 0, TwipsToPixels(widthTwips, dpi), TwipsToPixels(heightTwips, dpi)};
    AdjustWindowRectForDpi(outer, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)),
                           static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)), dpi);
    SetWindowPos(hwnd_, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void BaseWindow::MoveToSuggestedRect(LPARAM suggestedRect) {
    const RECT* rect = reinterpret_cast<const RECT*>(suggestedRect);
    SetWindowPos(hwnd_, nullptr, rect->left, rect->top, rect->right - rect->left,
                 rect->bottom - rect->top, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT BaseWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK BaseWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* created = static_cast<BaseWindow*>(
            reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        created->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* self = reinterpret_cast<BaseWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return WithBarrier([&] { return self->HandleMessage(message, wParam, lParam); });
}

}  // namespace nimbrel
