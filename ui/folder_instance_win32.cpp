#include "ui/folder_instance_win32.h"

#include "app/folder_instance.h"
#include "util/win32_text.h"

namespace nimbrel {

namespace {

// The first start shows its window after the splash: a later one waits for it that long and
// more, but not for ever.
constexpr DWORD kWindowWaitMs = 30000;
constexpr UINT kHandOverTimeoutMs = 10000;

// Holds a named mutex while it lives. One left by a process that died is taken over; one held
// for longer than a hand-over takes is not waited for.
class Locked {
  public:
    explicit Locked(HANDLE mutex) : mutex_(mutex) {
        const DWORD result = mutex ? WaitForSingleObject(mutex, kHandOverTimeoutMs) : WAIT_FAILED;
        held_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    }
    ~Locked() {
        if (held_) {
            ReleaseMutex(mutex_);
        }
    }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

  private:
    HANDLE mutex_;
    bool held_ = false;
};

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
    lock_ = CreateMutexW(nullptr, FALSE, (wide + L".lock").c_str());
    if (!shared_ || !published_ || !lock_) {
        first_ = true;
    }
}

FolderInstance::~FolderInstance() {
    if (shared_) {
        // A start that overlapped this one's end holds the objects: it must find no window, and
        // claim the folder itself.
        Write({}, true);
        UnmapViewOfFile(shared_);
    }
    for (const HANDLE handle : {lock_, published_, mapping_}) {
        if (handle) {
            CloseHandle(handle);
        }
    }
}

FolderInstance::Shared FolderInstance::Read() const {
    const Locked locked(lock_);
    return *shared_;
}

void FolderInstance::Write(const Shared& shared, bool onlyIfMine) {
    const Locked locked(lock_);
    if (!onlyIfMine || shared_->processId == GetCurrentProcessId()) {
        *shared_ = shared;
    }
}

void FolderInstance::Publish(HWND mainWindow) {
    if (!first_ || !shared_ || !published_) {
        return;
    }
    Write({reinterpret_cast<std::uintptr_t>(mainWindow), GetCurrentProcessId()}, false);
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
    const Shared first = Read();
    // The first has ended since.
    if (!first.window) {
        return false;
    }
    const HWND window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(first.window));
    // Only a program in the foreground may give the front to another.
    AllowSetForegroundWindow(first.processId);
    std::string lines = HandedOverText(options);
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
