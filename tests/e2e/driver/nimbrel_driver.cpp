// nimbrel_driver.exe: finds Nimbrel's windows from another process and reads or acts on them, for
// the end-to-end tests. Commands are separated by "--"; each prints one JSON line.
//
//   wait SELECTOR visible|hidden|gone TIMEOUT_MS   window   SELECTOR     controls SELECTOR
//   text SELECTOR CONTROL     rect SELECTOR CONTROL     focus SELECTOR     limit SELECTOR CONTROL
//   click SELECTOR CONTROL    settext SELECTOR CONTROL TEXT               close SELECTOR
//   maximize SELECTOR         colours SELECTOR CONTROL                     sleep MS
//   minimize SELECTOR         restore SELECTOR
//   key SELECTOR tab|space|return|escape|alt+o     hover SELECTOR CONTROL
//   tooltip SELECTOR [visible|hidden TIMEOUT_MS] (waits up to TIMEOUT_MS for that state)
//   resources WINDOWS_PATH_OF_A_PROGRAM            errortext SYSTEM_ERROR_CODE
//   press SELECTOR CONTROL (a mouse click)         windows SELECTOR (its process's windows)
//   sendclick SELECTOR CONTROL     instances (every window of Nimbrel's classes, and its process)
//   watch SELECTOR CONTROL TIMEOUT_MS PALETTE UNTIL_COLOUR [UNTIL_TEXT]
//   launchlimits (the program's time limits of --launch, in milliseconds, as it was built with)
//
// SELECTOR: main, splash, about, title=EXACT TITLE, or dialog=TITLE (a message box). The first
// three refuse to act when more than one window of their class exists. CONTROL: a
// name from ui/control_ids.h (Text1, Command1, lblStatus, Label1(0), Picture1(2), ...) or a
// number.
//
// sendclick clicks a button as click does, but through the program's queue of sent messages, which
// it empties before its posted ones: a later command that reads a control is answered only once the
// click's handler runs, so it never sees the state from before the click.
//
// watch samples a control's text and colour until the colour is UNTIL_COLOUR and the text contains
// UNTIL_TEXT, or the time is up, and lists every change it saw. PALETTE is a comma-separated
// list of RRGGBB colours; a sample's colour is the one of them with the most pixels on screen.
// Its start_us is the performance counter at its start in microseconds, which under Wine is
// Linux's CLOCK_MONOTONIC_RAW, so that a benchmark can place the samples among its own events.
//
// The driver never sends a message that could block on a busy program: texts are read with
// SendMessageTimeoutW, and buttons are clicked with a posted BM_CLICK.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/launch_with_weather.h"
#include "ui/control_ids.h"
#include "util/dpi_win32.h"
#include "util/win32_text.h"

namespace {

using namespace nimbrel;

constexpr UINT kSendTimeoutMs = 2000;
constexpr auto kPollInterval = std::chrono::milliseconds(20);
constexpr auto kWatchInterval = std::chrono::milliseconds(5);

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// One JSON object, written field by field.
class Json {
  public:
    Json& Add(const char* key, const std::string& raw) {
        if (!body_.empty()) {
            body_ += ',';
        }
        body_ += Quote(key);
        body_ += ':';
        body_ += raw;
        return *this;
    }
    Json& Text(const char* key, const std::string& text) { return Add(key, Quote(text)); }
    Json& Number(const char* key, long long value) { return Add(key, std::to_string(value)); }
    Json& Bool(const char* key, bool value) { return Add(key, value ? "true" : "false"); }
    std::string Str() const { return "{" + body_ + "}"; }

    static std::string Quote(const std::string& text) {
        std::string quoted = "\"";
        for (const char c : text) {
            if (c == '"' || c == '\\') {
                quoted += '\\';
                quoted += c;
            } else if (static_cast<unsigned char>(c) < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof(escape), "\\u%04x", c);
                quoted += escape;
            } else {
                quoted += c;
            }
        }
        return quoted + "\"";
    }

    static std::string Array(const std::vector<long long>& values) {
        std::string array = "[";
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (i > 0) {
                array += ',';
            }
            array += std::to_string(values[i]);
        }
        return array + "]";
    }

  private:
    std::string body_;
};

const std::map<std::string, int>& ControlNames() {
    static const std::map<std::string, int> names = {{"Text1", kText1Id},
                                                     {"Command1", kCommand1Id},
                                                     {"Command2", kCommand2Id},
                                                     {"Command3", kCommand3Id},
                                                     {"lblStatus", kLblStatusId},
                                                     {"Label1(0)", kLabel1Element0Id},
                                                     {"Label1(1)", kLabel1Element1Id},
                                                     {"Picture1(0)", kPicture1Element0Id},
                                                     {"Picture1(1)", kPicture1Element0Id + 1},
                                                     {"Picture1(2)", kPicture1Element0Id + 2},
                                                     {"Label1", kLabel1Id},
                                                     {"Label2(0)", kLabel2Element0Id},
                                                     {"Label2(1)", kLabel2Element0Id + 1},
                                                     {"Label2(2)", kLabel2Element0Id + 2},
                                                     {"Label2(3)", kLabel2Element0Id + 3},
                                                     {"Label2(4)", kLabel2Element0Id + 4},
                                                     {"Label2(5)", kLabel2Element0Id + 5},
                                                     {"Label2(6)", kLabel2Element0Id + 6},
                                                     {"Label2(7)", kLabel2Element0Id + 7},
                                                     {"Label3", kLabel3Id}};
    return names;
}

std::string ControlName(int id) {
    for (const auto& [name, value] : ControlNames()) {
        if (value == id) {
            return name;
        }
    }
    return std::to_string(id);
}

DWORD ProcessOf(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

// Every top-level window of a class, with the process that owns it.
struct ClassWindow {
    HWND window;
    DWORD process;
};

std::vector<ClassWindow> WindowsOfClass(const wchar_t* className) {
    std::vector<ClassWindow> found;
    for (HWND window = FindWindowExW(nullptr, nullptr, className, nullptr); window;
         window = FindWindowExW(nullptr, window, className, nullptr)) {
        found.push_back({window, ProcessOf(window)});
    }
    return found;
}

// The one window of a Nimbrel class. A second one, left over from an earlier run, would answer
// in place of the program under test, so the driver refuses to act on either.
HWND OnlyWindowOfClass(const wchar_t* className) {
    const std::vector<ClassWindow> found = WindowsOfClass(className);
    if (found.size() > 1) {
        std::string processes;
        for (const ClassWindow& each : found) {
            processes += (processes.empty() ? "" : ", ") + std::to_string(each.process);
        }
        throw Failure(std::to_string(found.size()) + " windows of class " + WideToUtf8(className) +
                      ", of processes " + processes);
    }
    return found.empty() ? nullptr : found.front().window;
}

HWND FindTopLevel(const std::string& selector) {
    if (selector == "main") {
        return OnlyWindowOfClass(kMainWindowClass);
    }
    if (selector == "splash") {
        return OnlyWindowOfClass(kSplashWindowClass);
    }
    if (selector == "about") {
        return OnlyWindowOfClass(kAboutWindowClass);
    }
    if (selector.starts_with("title=")) {
        return FindWindowW(nullptr, Utf8ToWide(selector.substr(6)).c_str());
    }
    if (selector.starts_with("dialog=")) {
        return FindWindowW(L"#32770", Utf8ToWide(selector.substr(7)).c_str());
    }
    throw Failure("unknown window selector: " + selector);
}

// Every window of Nimbrel's own classes, whatever process owns it: what a test must find none of
// before it starts the program and after it ends.
std::string NimbrelWindowsJson() {
    std::string list = "[";
    for (const wchar_t* className : {kMainWindowClass, kSplashWindowClass, kAboutWindowClass}) {
        for (const ClassWindow& each : WindowsOfClass(className)) {
            if (list.size() > 1) {
                list += ',';
            }
            list += Json()
                        .Text("class", WideToUtf8(className))
                        .Number("process", each.process)
                        .Bool("visible", IsWindowVisible(each.window) != FALSE)
                        .Str();
        }
    }
    return Json().Add("windows", list + "]").Str();
}

HWND RequireTopLevel(const std::string& selector) {
    const HWND window = FindTopLevel(selector);
    if (!window) {
        throw Failure("no window " + selector);
    }
    return window;
}

HWND RequireControl(HWND window, const std::string& name) {
    const auto known = ControlNames().find(name);
    const int id = known != ControlNames().end() ? known->second : std::stoi(name);
    const HWND control = GetDlgItem(window, id);
    if (!control) {
        throw Failure("no control " + name);
    }
    return control;
}

std::string ReadText(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                             &length)) {
        throw Failure("WM_GETTEXTLENGTH timed out");
    }
    // The text may grow between the two messages; a full buffer is read again, larger.
    for (std::size_t size = length + 2;; size *= 2) {
        std::wstring text(size, L'\0');
        DWORD_PTR copied = 0;
        if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(),
                                 reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                                 kSendTimeoutMs, &copied)) {
            throw Failure("WM_GETTEXT timed out");
        }
        if (copied + 1 < size) {
            text.resize(copied);
            return WideToUtf8(text);
        }
    }
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

// In the parent's client coordinates.
RECT ClientRectOf(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string RectJson(const RECT& rect) {
    return Json::Array({rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top});
}

std::string WindowJson(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    RECT bounds{};
    GetWindowRect(window, &bounds);
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
    wchar_t title[512] = {};
    GetWindowTextW(window, title, 512);
    return Json()
        .Text("title", WideToUtf8(title))
        .Text("class", WideToUtf8(ClassOf(window)))
        .Add("client", Json::Array({client.right, client.bottom}))
        .Add("client_origin", Json::Array({origin.x, origin.y}))
        .Add("bounds", RectJson(bounds))
        .Add("screen", Json::Array({GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}))
        .Number("dpi", WindowDpi(window))
        .Number("system_dpi", SystemDpi())
        .Bool("visible", IsWindowVisible(window))
        .Bool("enabled", IsWindowEnabled(window))
        .Bool("owned", GetWindow(window, GW_OWNER) != nullptr)
        .Bool("caption", (style & WS_CAPTION) == WS_CAPTION)
        .Bool("sysmenu", style & WS_SYSMENU)
        .Bool("thickframe", style & WS_THICKFRAME)
        .Bool("maximizebox", style & WS_MAXIMIZEBOX)
        .Bool("minimizebox", style & WS_MINIMIZEBOX)
        .Bool("dlgframe", (style & WS_CAPTION) == WS_DLGFRAME)
        .Bool("popup", style & WS_POPUP)
        .Bool("zoomed", IsZoomed(window))
        .Bool("iconic", IsIconic(window))
        .Bool("controlparent", exStyle & WS_EX_CONTROLPARENT)
        .Bool("toolwindow", exStyle & WS_EX_TOOLWINDOW)
        .Str();
}

// Every child in Z order, which is the order Tab moves the focus in.
std::string ControlsJson(HWND window) {
    std::string list = "[";
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const auto style = static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE));
        const int id = GetDlgCtrlID(child);
        if (list.size() > 1) {
            list += ',';
        }
        list += Json()
                    .Number("id", id)
                    .Text("name", ControlName(id))
                    .Text("class", WideToUtf8(ClassOf(child)))
                    .Text("text", ReadText(child))
                    .Add("rect", RectJson(ClientRectOf(child)))
                    .Number("style", style)
                    .Bool("tabstop", style & WS_TABSTOP)
                    .Bool("visible", style & WS_VISIBLE)
                    .Str();
    }
    return Json().Add("controls", list + "]").Str();
}

BOOL CALLBACK AddIfVisible(HWND candidate, LPARAM found) {
    if (IsWindowVisible(candidate)) {
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(candidate);
    }
    return TRUE;
}

// The visible top-level windows. They are listed first and read after, as nothing may throw
// through EnumWindows; one may go in between.
std::vector<HWND> VisibleTopLevelWindows() {
    std::vector<HWND> found;
    EnumWindows(AddIfVisible, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The visible top-level windows of the process that owns `window`, such as message boxes.
std::string ProcessWindowsJson(HWND window) {
    const DWORD process = ProcessOf(window);
    std::string list = "[";
    for (const HWND each : VisibleTopLevelWindows()) {
        if (ProcessOf(each) != process) {
            continue;
        }
        std::string title;
        try {
            title = ReadText(each);
        } catch (const Failure&) {
            if (!IsWindow(each)) {
                continue;  // closed since it was listed
            }
            throw;
        }
        if (list.size() > 1) {
            list += ',';
        }
        list += Json().Text("title", title).Text("class", WideToUtf8(ClassOf(each))).Str();
    }
    return Json().Add("windows", list + "]").Str();
}

// What a user would see: every visible top-level window, with its title, class and process.
// Titles are read without a message, so a hung program cannot hold this up.
std::string ScreenJson() {
    std::string list = "[";
    for (const HWND each : VisibleTopLevelWindows()) {
        wchar_t title[256] = {};
        GetWindowTextW(each, title, 256);
        if (list.size() > 1) {
            list += ',';
        }
        list += Json()
                    .Text("title", WideToUtf8(title))
                    .Text("class", WideToUtf8(ClassOf(each)))
                    .Number("process", ProcessOf(each))
                    .Str();
    }
    return list + "]";
}

std::string WaitFor(const std::string& selector, const std::string& state, int timeoutMs) {
    const auto start = std::chrono::steady_clock::now();
    LARGE_INTEGER counter{};
    LARGE_INTEGER frequency{};
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    const auto deadline = start + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const HWND window = FindTopLevel(selector);
        const bool reached = state == "visible"  ? window && IsWindowVisible(window)
                             : state == "hidden" ? !window || !IsWindowVisible(window)
                             : state == "gone"   ? !window
                                                 : throw Failure("unknown state " + state);
        const auto now = std::chrono::steady_clock::now();
        if (reached) {
            const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - start);
            return Json().Bool("ok", true).Number("elapsed_ms", elapsed.count()).Str();
        }
        if (now >= deadline) {
            throw Failure(selector + " not " + state + " within " + std::to_string(timeoutMs) +
                          " ms; " + NimbrelWindowsJson() + "; on screen: " + ScreenJson());
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}

GUITHREADINFO ThreadInfo(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) {
        throw Failure("GetGUIThreadInfo failed");
    }
    return info;
}

std::string FocusJson(HWND window) {
    const GUITHREADINFO info = ThreadInfo(window);
    const int id = info.hwndFocus ? GetDlgCtrlID(info.hwndFocus) : 0;
    return Json()
        .Bool("has_focus", info.hwndFocus != nullptr)
        .Number("id", id)
        .Text("name", info.hwndFocus ? ControlName(id) : "")
        .Bool("active", info.hwndActive == window)
        .Str();
}

UINT VirtualKey(const std::string& key) {
    static const std::map<std::string, UINT> keys = {{"tab", VK_TAB},
                                                     {"space", VK_SPACE},
                                                     {"return", VK_RETURN},
                                                     {"escape", VK_ESCAPE},
                                                     {"o", 'O'}};
    const auto found = keys.find(key);
    if (found == keys.end()) {
        throw Failure("unknown key " + key);
    }
    return found->second;
}

// A key press as the control with the focus receives it through the program's message loop.
// "alt+" in front holds Alt down, as for an access key.
std::string PressKey(HWND window, const std::string& key) {
    // A window just shown takes the focus a moment later, on a busy machine many moments: the key
    // waits for it rather than go to a control that is losing it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    HWND focus = ThreadInfo(window).hwndFocus;
    while (focus != window && !IsChild(window, focus) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(kPollInterval);
        focus = ThreadInfo(window).hwndFocus;
    }
    if (!focus) {
        throw Failure("no control has the focus");
    }
    const bool alt = key.starts_with("alt+");
    const UINT virtualKey = VirtualKey(alt ? key.substr(4) : key);
    const auto scanCode = static_cast<LPARAM>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    const LPARAM down = 1 | (scanCode << 16) | (alt ? LPARAM{1} << 29 : 0);
    const LPARAM up = down | (LPARAM{1} << 30) | (LPARAM{1} << 31);
    if (!PostMessageW(focus, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, virtualKey, down) ||
        !PostMessageW(focus, alt ? WM_SYSKEYUP : WM_KEYUP, virtualKey, up)) {
        throw Failure("PostMessageW failed with error " + std::to_string(GetLastError()));
    }
    return Json().Bool("ok", true).Str();
}

std::string LimitJson(HWND control) {
    DWORD_PTR limit = 0;
    if (!SendMessageTimeoutW(control, EM_GETLIMITTEXT, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                             &limit)) {
        throw Failure("EM_GETLIMITTEXT timed out");
    }
    return Json().Number("limit", static_cast<long long>(limit)).Str();
}

std::string SetText(HWND control, const std::string& text) {
    DWORD_PTR result = 0;
    const std::wstring wide = Utf8ToWide(text);
    if (!SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()),
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)) {
        throw Failure("WM_SETTEXT timed out");
    }
    return Json().Bool("ok", result != 0).Str();
}

std::string Post(HWND window, UINT message, WPARAM wParam) {
    if (!PostMessageW(window, message, wParam, 0)) {
        throw Failure("PostMessageW failed");
    }
    return Json().Bool("ok", true).Str();
}

// Moves the mouse pointer to the middle of the control, as a user pointing at it would.
std::string Hover(HWND control) {
    RECT area{};
    GetWindowRect(control, &area);
    if (!SetCursorPos((area.left + area.right) / 2, (area.top + area.bottom) / 2)) {
        throw Failure("SetCursorPos failed");
    }
    return Json().Bool("ok", true).Str();
}

// A left click in the middle of the control, as the control receives it from the mouse.
std::string PressMouse(HWND control) {
    RECT area{};
    GetClientRect(control, &area);
    const LPARAM middle = MAKELPARAM(area.right / 2, area.bottom / 2);
    if (!PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, middle) ||
        !PostMessageW(control, WM_LBUTTONUP, 0, middle)) {
        throw Failure("PostMessageW failed");
    }
    return Json().Bool("ok", true).Str();
}

// The visible tooltip window of the thread that owns `window`, or null.
HWND VisibleTooltip(HWND window) {
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    for (HWND tip = FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr); tip;
         tip = FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr)) {
        if (GetWindowThreadProcessId(tip, nullptr) == thread && IsWindowVisible(tip)) {
            return tip;
        }
    }
    return nullptr;
}

// The tooltip of the thread that owns `window`, with the text it shows, once it is in `state`
// (visible or hidden) or `timeoutMs` has passed: it shows only after the mouse has rested on its
// tool a while, and hides a while after the mouse has left.
std::string TooltipJson(HWND window, const std::string& state, int timeoutMs) {
    if (state != "visible" && state != "hidden") {
        throw Failure("unknown state " + state);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    HWND tip = VisibleTooltip(window);
    while ((tip != nullptr) != (state == "visible") &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(kPollInterval);
        tip = VisibleTooltip(window);
    }
    if (!tip) {
        return Json().Bool("visible", false).Str();
    }
    DWORD_PTR maxWidth = 0;
    SendMessageTimeoutW(tip, TTM_GETMAXTIPWIDTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &maxWidth);
    RECT bounds{};
    GetWindowRect(tip, &bounds);
    return Json()
        .Bool("visible", true)
        .Text("text", ReadText(tip))
        .Number("max_width", static_cast<long long>(static_cast<int>(maxWidth)))
        .Add("bounds", RectJson(bounds))
        .Str();
}

// How many pixels of each colour (RRGGBB) the control shows, from a copy of the screen.
std::map<std::string, long long> ScreenColours(HWND control) {
    RECT area{};
    GetWindowRect(control, &area);
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::map<std::string, long long> counts;
    // A control destroyed since it was found has no area left to copy.
    if (width <= 0 || height <= 0) {
        return counts;
    }
    void* bits = nullptr;
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = bitmap ? SelectObject(memory, bitmap) : nullptr;
    const bool copied =
        bits && BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    const DWORD error = copied ? 0 : GetLastError();
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    for (int i = 0; copied && i < width * height; ++i) {
        char rgb[8];
        std::snprintf(rgb, sizeof(rgb), "%06x", pixels[i] & 0xFFFFFFu);
        ++counts[rgb];
    }
    if (old) {
        SelectObject(memory, old);
    }
    if (bitmap) {
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!copied) {
        throw Failure("copying the screen failed, error " + std::to_string(error));
    }
    return counts;
}

std::string ColoursJson(HWND control) {
    Json colours;
    for (const auto& [rgb, count] : ScreenColours(control)) {
        colours.Number(rgb.c_str(), count);
    }
    return Json().Add("colours", colours.Str()).Str();
}

std::vector<std::string> SplitList(const std::string& list) {
    std::vector<std::string> items;
    std::size_t start = 0;
    for (std::size_t comma; (comma = list.find(',', start)) != std::string::npos;
         start = comma + 1) {
        items.push_back(list.substr(start, comma - start));
    }
    items.push_back(list.substr(start));
    return items;
}

// The palette colour with the most pixels in the control; empty when it shows none of them.
std::string DominantColour(HWND control, const std::vector<std::string>& palette) {
    const auto counts = ScreenColours(control);
    std::string dominant;
    long long most = 0;
    for (const std::string& colour : palette) {
        const auto found = counts.find(colour);
        if (found != counts.end() && found->second > most) {
            dominant = colour;
            most = found->second;
        }
    }
    return dominant;
}

// Samples at a short interval, so that a step shown for a few hundred milliseconds is seen.
std::string Watch(HWND control, int timeoutMs, const std::vector<std::string>& palette,
                  const std::string& untilColour, const std::string& untilText) {
    const auto start = std::chrono::steady_clock::now();
    LARGE_INTEGER counter{};
    LARGE_INTEGER frequency{};
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    const auto deadline = start + std::chrono::milliseconds(timeoutMs);
    std::string samples;
    std::string lastText;
    std::string lastColour;
    // How long the window's thread kept the longest answer waiting: while it is busy it paints
    // nothing either.
    std::chrono::steady_clock::duration longestAnswer{};
    for (bool first = true;; first = false) {
        const auto asked = std::chrono::steady_clock::now();
        const std::string text = ReadText(control);
        longestAnswer = std::max(longestAnswer, std::chrono::steady_clock::now() - asked);
        const std::string colour = DominantColour(control, palette);
        const auto now = std::chrono::steady_clock::now();
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(now - start).count();
        if (first || text != lastText || colour != lastColour) {
            if (!first) {
                samples += ',';
            }
            samples += Json().Number("ms", elapsed).Text("text", text).Text("colour", colour).Str();
            lastText = text;
            lastColour = colour;
        }
        const bool reached = colour == untilColour && text.find(untilText) != std::string::npos;
        if (reached || now >= deadline) {
            return Json()
                .Bool("reached", reached)
                .Number("start_us",
                        static_cast<long long>(static_cast<double>(counter.QuadPart) * 1e6 /
                                               static_cast<double>(frequency.QuadPart)))
                .Number("elapsed_ms", elapsed)
                .Number(
                    "longest_answer_ms",
                    std::chrono::duration_cast<std::chrono::milliseconds>(longestAnswer).count())
                .Add("samples", "[" + samples + "]")
                .Str();
        }
        std::this_thread::sleep_for(kWatchInterval);
    }
}

BOOL CALLBACK KeepFirstId(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR first) {
    *reinterpret_cast<WORD*>(first) =
        IS_INTRESOURCE(name) ? static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)) : 0;
    return FALSE;
}

// The images of a program's first icon group, which the shell shows for the file.
std::string FirstIconGroupJson(HMODULE module) {
    WORD firstId = 0;
    EnumResourceNamesW(module, RT_GROUP_ICON, KeepFirstId, reinterpret_cast<LONG_PTR>(&firstId));
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(firstId), RT_GROUP_ICON);
    if (!firstId || !found) {
        throw Failure("no icon group");
    }
    // GRPICONDIR: reserved, type, count, then 14-byte entries of width, height, colours, ...
    const auto* group = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    const WORD count = *reinterpret_cast<const WORD*>(group + 4);
    std::string images = "[";
    for (WORD i = 0; i < count; ++i) {
        const BYTE* entry = group + 6 + 14 * i;
        if (i > 0) {
            images += ',';
        }
        images += Json()
                      .Number("width", entry[0])
                      .Number("height", entry[1])
                      .Number("colours", entry[2])
                      .Number("bits", *reinterpret_cast<const WORD*>(entry + 6))
                      .Str();
    }
    return Json().Number("id", firstId).Add("images", images + "]").Str();
}

std::string ManifestText(HMODULE module) {
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST);
    if (!found) {
        return {};
    }
    const auto* text = static_cast<const char*>(LockResource(LoadResource(module, found)));
    return std::string(text, SizeofResource(module, found));
}

std::string VersionJson(const std::wstring& path) {
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
    std::vector<BYTE> data(size);
    if (!size || !GetFileVersionInfoW(path.c_str(), 0, size, data.data())) {
        throw Failure("no version resource");
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length);
    Json version;
    version.Add("file_version",
                Json::Array({HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                             HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)}));
    for (const wchar_t* name : {L"FileVersion", L"ProductName", L"CompanyName"}) {
        wchar_t* value = nullptr;
        const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        if (VerQueryValueW(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &length)) {
            version.Text(WideToUtf8(name).c_str(), WideToUtf8(value));
        }
    }
    return version.Str();
}

std::string ResourcesJson(const std::string& path) {
    const std::wstring widePath = Utf8ToWide(path);
    const HMODULE module = LoadLibraryExW(
        widePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) {
        throw Failure("cannot open " + path);
    }
    const std::string icons = FirstIconGroupJson(module);
    const std::string manifest = ManifestText(module);
    FreeLibrary(module);
    return Json()
        .Add("icon_group", icons)
        .Text("manifest", manifest)
        .Add("version", VersionJson(widePath))
        .Str();
}

// The system's text for an error code, as a program on this system reports it.
std::string ErrorTextJson(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message(text ? text : L"", length);
    LocalFree(text);
    return Json().Text("text", WideToUtf8(message)).Str();
}

using Arguments = std::vector<std::string>;

void RequireCount(const Arguments& command, std::size_t count) {
    if (command.size() != count) {
        throw Failure("command " + command[0] + " takes " + std::to_string(count - 1) +
                      " arguments");
    }
}

std::string Run(const Arguments& command) {
    const std::string& name = command[0];
    if (name == "wait") {
        RequireCount(command, 4);
        return WaitFor(command[1], command[2], std::stoi(command[3]));
    }
    if (name == "sleep") {
        RequireCount(command, 2);
        std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(command[1])));
        return Json().Bool("ok", true).Str();
    }
    if (name == "resources") {
        RequireCount(command, 2);
        return ResourcesJson(command[1]);
    }
    if (name == "errortext") {
        RequireCount(command, 2);
        return ErrorTextJson(static_cast<DWORD>(std::stoul(command[1])));
    }
    if (name == "instances") {
        RequireCount(command, 1);
        return NimbrelWindowsJson();
    }
    if (name == "launchlimits") {
        RequireCount(command, 1);
        return Json()
            .Number("early_end_ms", kEarlySimulatorEnd.count())
            .Number("start_limit_ms", kSimulatorStartLimit.count())
            .Str();
    }
    if (command.size() < 2) {
        throw Failure("command " + name + " needs a window");
    }
    const HWND window = RequireTopLevel(command[1]);
    if (name == "window") {
        RequireCount(command, 2);
        return WindowJson(window);
    }
    if (name == "controls") {
        RequireCount(command, 2);
        return ControlsJson(window);
    }
    if (name == "focus") {
        RequireCount(command, 2);
        return FocusJson(window);
    }
    if (name == "close") {
        RequireCount(command, 2);
        return Post(window, WM_CLOSE, 0);
    }
    if (name == "maximize") {
        RequireCount(command, 2);
        return Post(window, WM_SYSCOMMAND, SC_MAXIMIZE);
    }
    if (name == "minimize") {
        RequireCount(command, 2);
        return Post(window, WM_SYSCOMMAND, SC_MINIMIZE);
    }
    if (name == "restore") {
        RequireCount(command, 2);
        return Post(window, WM_SYSCOMMAND, SC_RESTORE);
    }
    if (name == "tooltip") {
        if (command.size() == 2) {
            return TooltipJson(window, "visible", 0);
        }
        RequireCount(command, 4);
        return TooltipJson(window, command[2], std::stoi(command[3]));
    }
    if (name == "windows") {
        RequireCount(command, 2);
        return ProcessWindowsJson(window);
    }
    if (name == "key") {
        RequireCount(command, 3);
        return PressKey(window, command[2]);
    }
    if (command.size() < 3) {
        throw Failure("command " + name + " needs a control");
    }
    const HWND control = RequireControl(window, command[2]);
    if (name == "text") {
        RequireCount(command, 3);
        return Json().Text("text", ReadText(control)).Str();
    }
    if (name == "rect") {
        RequireCount(command, 3);
        return Json().Add("rect", RectJson(ClientRectOf(control))).Str();
    }
    if (name == "limit") {
        RequireCount(command, 3);
        return LimitJson(control);
    }
    if (name == "click") {
        RequireCount(command, 3);
        return Post(control, BM_CLICK, 0);
    }
    if (name == "press") {
        RequireCount(command, 3);
        return PressMouse(control);
    }
    if (name == "sendclick") {
        RequireCount(command, 3);
        if (!SendNotifyMessageW(control, BM_CLICK, 0, 0)) {
            throw Failure("SendNotifyMessageW failed");
        }
        return Json().Bool("ok", true).Str();
    }
    if (name == "hover") {
        RequireCount(command, 3);
        return Hover(control);
    }
    if (name == "colours") {
        RequireCount(command, 3);
        return ColoursJson(control);
    }
    if (name == "settext") {
        RequireCount(command, 4);
        return SetText(control, command[3]);
    }
    if (name == "watch") {
        if (command.size() != 6 && command.size() != 7) {
            throw Failure("command watch takes 4 or 5 arguments");
        }
        return Watch(control, std::stoi(command[3]), SplitList(command[4]), command[5],
                     command.size() == 7 ? command[6] : "");
    }
    throw Failure("unknown command " + name);
}

std::vector<Arguments> SplitCommands(const Arguments& arguments) {
    std::vector<Arguments> commands(1);
    for (const std::string& argument : arguments) {
        if (argument == "--") {
            commands.emplace_back();
        } else {
            commands.back().push_back(argument);
        }
    }
    return commands;
}

Arguments CommandLineArguments() {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    Arguments arguments;
    for (int i = 1; i < count; ++i) {
        arguments.push_back(WideToUtf8(wide[i]));
    }
    LocalFree(wide);
    return arguments;
}

void PrintLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}  // namespace

int main() {
    // Coordinates in physical pixels, as the program under test lays itself out.
    DeclareDpiAwareness();
    for (const Arguments& command : SplitCommands(CommandLineArguments())) {
        if (command.empty()) {
            PrintLine(Json().Text("error", "empty command").Str());
            return 2;
        }
        try {
            PrintLine(Run(command));
        } catch (const std::exception& error) {
            PrintLine(Json().Text("error", error.what()).Text("command", command[0]).Str());
            return 1;
        }
    }
    return 0;
}
