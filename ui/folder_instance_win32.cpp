#include "ui/folder_instance_win32.h"

#include "app/folder_instance.h"
#include "util/win32_text.h"

namespace nimbrel {

namespace {

// The first start shows its window after the splash: a later one waits for it that long and
// more, but not for ever.
constexpr DWORD kWindowWaitMs = 30000;
constexpr UINT kHandOverTimeoutMs = 10000;

}  // namespace

FolderInstance::FolderInstance(const std::string& name) {
    const std::wstring wide = Utf8ToWide(name);
    mapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(Shared),
                                  wide.c_str());
    // Without the objects every start runs on its own, as before there were any.
    if (!mapping_) {
        return;
    }
    first_ = GetLastError() != ERROR_ALREADY_EXISTS;
    shared_ = static_cast<Shared*>(MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, sizeof(Shared)));
    published_ = CreateEventW(nullptr, TRUE, FALSE, (wide + L".window").c_str());
    if (!shared_ || !published_) {
        first_ = true;
    }
}

FolderInstance::~FolderInstance() {
    // A start that overlapped this one's end holds the objects: it must not find this window.
    if (shared_ && shared_->processId == GetCurrentProcessId()) {
        ResetEvent(published_);
        *shared_ = {};
    }
    if (shared_) {
        UnmapViewOfFile(shared_);
    }
    for (const HANDLE handle : {published_, mapping_}) {
        if (handle) {
            CloseHandle(handle);
        }
    }
}

void FolderInstance::Publish(HWND mainWindow) {
    if (!first_ || !shared_ || !published_) {
        return;
    }
    shared_->window = reinterpret_cast<std::uintptr_t>(mainWindow);
    shared_->processId = GetCurrentProcessId();
    SetEvent(published_);
}

bool FolderInstance::HandOver(const CommandLine& options) {
    // Otherwise this start runs on its own, and later starts for the folder come to it.
    first_ = !SentToFirst(options);
    return !first_;
}

bool FolderInstance::SentToFirst(const CommandLine& options) const {
    if (WaitForSingleObject(published_, kWindowWaitMs) != WAIT_OBJECT_0) {
        return false;
    }
    const HWND window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(shared_->window));
    // Only a program in the foreground may give the front to another.
    AllowSetForegroundWindow(shared_->processId);
    std::string lines;
    for (const std::string& argument : HandedOverArguments(options)) {
        lines += argument + '\n';
    }
    COPYDATASTRUCT data{};
    data.dwData = kHandedOverOptions;
    data.cbData = static_cast<DWORD>(lines.size());
    data.lpData = lines.data();
    DWORD_PTR answer = FALSE;
    return SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                               SMTO_ABORTIFHUNG, kHandOverTimeoutMs, &answer) &&
           answer == TRUE;
}

}  // namespace nimbrel
