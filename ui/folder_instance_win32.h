// One Nimbrel with a window per METAR folder, in the user's session: the first start for a folder
// claims it, a later one hands its options to the first and ends.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "app/command_line.h"

namespace nimbrel {

// WM_COPYDATA's tag for the options a second start hands over, one a line.
inline constexpr ULONG_PTR kHandedOverOptions = 0x4E494D42;  // "NIMB"

class FolderInstance {
  public:
    // Claims the folder of `name` (FolderInstanceName) unless another Nimbrel has it.
    explicit FolderInstance(const std::string& name);
    ~FolderInstance();
    FolderInstance(const FolderInstance&) = delete;
    FolderInstance& operator=(const FolderInstance&) = delete;

    // False when another Nimbrel has a window for this folder.
    bool First() const { return first_; }
    // Tells later starts for the folder where this one's window is.
    void Publish(HWND mainWindow);
    // Hands `options`' --launch, --update-now and --interval to the first, and lets it come to
    // the front. False when the first did not take them, having shown no window within a while,
    // not answering or closing: this start then runs on its own and claims the folder.
    bool HandOver(const CommandLine& options);

  private:
    // Whether the first took `options`.
    bool SentToFirst(const CommandLine& options) const;

    struct Shared {
        std::uint64_t window;
        DWORD processId;
    };
    // The block as it stands, read or written under the folder's lock: an ending first and a
    // later start that claims the folder must not interleave. `onlyIfMine`: while this process
    // is the one it names.
    Shared Read() const;
    void Write(const Shared& shared, bool onlyIfMine);

    HANDLE mapping_ = nullptr;
    Shared* shared_ = nullptr;
    HANDLE published_ = nullptr;  // set once a window was known; the block says whether it still is
    HANDLE lock_ = nullptr;
    bool first_ = true;
};

}  // namespace nimbrel
