// Stand-ins for the registry, the report files, message boxes and program starts.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/ui_ports.h"
#include "retrieval/report_files.h"
#include "tests/fake/event_loop.h"
#include "util/environment.h"
#include "util/message_box.h"
#include "util/process_launcher.h"
#include "util/registry.h"
#include "util/shell.h"

namespace nimbrel::fake {

// Keys are named "HIVE-HANDLE\path", e.g. "80000002\SOFTWARE\Terminal Reality\Fly!".
class FakeRegistry : public Registry {
  public:
    struct Value {
        std::int32_t type;
        std::string data;
    };

    // Stores a string value the way the platform does, with its terminating NUL.
    void SetString(RegistryKey root, const std::string& path, const std::string& name,
                   const std::string& text);
    void SetRaw(RegistryKey root, const std::string& path, const std::string& name, Value value);

    long OpenKey(RegistryKey root, const std::string& path, std::uint32_t options,
                 std::uint32_t access, RegistryKey& opened) override;
    long QueryValue(RegistryKey key, const std::string& valueName, std::int32_t& type, char* data,
                    std::uint32_t& dataSize) override;
    long CloseKey(RegistryKey key) override;
    RegistryView ViewOf(RegistryKey key) const override;
    // The view a key is found in; the program's own unless set.
    void SetView(RegistryKey root, const std::string& path, RegistryView view);

    long closeResult = 0;
    bool failQueries = false;  // each query raises a run-time error
    std::vector<std::uint32_t> accessRequested;
    int openKeys = 0;

  private:
    static std::string KeyName(RegistryKey root, const std::string& path);

    std::map<std::string, std::map<std::string, Value>> keys_;
    std::map<std::string, RegistryView> views_;
    std::map<RegistryKey, std::string> open_;
    RegistryKey nextHandle_ = 0x1000;
};

// Reads the bytes at each swap, so bytes that change while a retry waits show in the file.
class FakeReportFiles : public ReportFiles {
  public:
    explicit FakeReportFiles(const Clock& clock) : clock_(clock) {}

    std::optional<ReportWriteFailure> Replace(const std::string& path, std::string_view bytes,
                                              const SwapRetry& retry) override;
    // The size, and a last-write time that moves on with every write.
    std::optional<FileStamp> Stamp(const std::string& path) const override;
    std::optional<std::string> Read(const std::string& path,
                                    std::uint64_t limitBytes) const override;
    // Another program writing the file.
    void Touch(const std::string& path, const std::string& bytes);

    struct Swap {
        std::string path;
        std::chrono::milliseconds at;
        bool done;
    };

    std::map<std::string, std::string> files;
    std::map<std::string, ReportWriteFailure> failures;          // by path, at every swap
    std::map<std::string, std::chrono::milliseconds> heldUntil;  // by path: locked until then
    // By path: held until then without letting others read it either.
    std::map<std::string, std::chrono::milliseconds> unreadableUntil;
    std::vector<Swap> swaps;  // every swap tried, in order
    int writes = 0;           // calls of Replace
    bool throws = false;      // each Replace throws, as a port whose platform broke
    mutable int reads = 0;    // calls of Read

  private:
    std::optional<ReportWriteFailure> FailureAt(const std::string& path) const;

    const Clock& clock_;
    std::map<std::string, int> lastWrite_;  // by path: the number of the write
    int writeClock_ = 0;
};

// Returns at once, unless a test holds it open: then, as a real box, it runs a loop of its own
// until the test's user closes it, and the program's events go on behind it.
class FakeMessageBox : public MessageBox {
  public:
    struct Shown {
        std::string text;
        std::string title;
        MessageBoxIcon icon;
    };

    FakeMessageBox() = default;
    explicit FakeMessageBox(EventLoop& loop) : loop_(&loop) {}

    void Show(const std::string& text, const std::string& title, MessageBoxIcon icon) override;

    std::vector<Shown> shown;
    // How long after it opens the user closes each box; only with the loop.
    std::optional<std::chrono::milliseconds> closedAfter;
    int open = 0;  // boxes up now

  private:
    EventLoop* loop_ = nullptr;
};

// A started program whose lifetime the test sets as the system would report it once it ended.
class FakeStartedProgram : public StartedProgram {
  public:
    std::optional<std::chrono::milliseconds> Lifetime() const override { return lifetime; }

    std::optional<std::chrono::milliseconds> lifetime;
};

class FakeLauncher : public ProcessLauncher {
  public:
    struct Started {
        std::string program;
        std::string workingFolder;
        WindowState state;
        FakeStartedProgram* process;   // for EventLoop::EndProgram while it is watched
        std::chrono::milliseconds at;  // by `clock`
    };

    ProgramStart Start(const std::string& program, const std::string& workingFolder,
                       WindowState state) override;

    std::vector<Started> started;
    std::set<std::string> existing;  // programs that can be started
    bool declined = false;           // the user declines each start as administrator
    std::function<void()> onStart;   // runs at each start, before it returns
    const Clock* clock = nullptr;    // times the starts when set
};

// Expands %NAME% for the variables set here; others stay, as on Windows.
class FakeEnvironment : public Environment {
  public:
    std::string Expand(const std::string& text) const override;

    std::map<std::string, std::string> variables;
};

// Records what the program asks the shell to open; nothing opens.
class FakeShell : public Shell {
  public:
    struct Opened {
        std::string file;
        std::string parameters;
        std::string directory;
        WindowState state;
    };

    std::string ProgramFolder() const override { return programFolder; }
    void Open(const std::string& file, const std::string& parameters, const std::string& directory,
              WindowState state) override {
        opened.push_back({file, parameters, directory, state});
    }

    std::string programFolder = "C:\\Program Files\\Nimbrel";
    std::vector<Opened> opened;
};

}  // namespace nimbrel::fake
