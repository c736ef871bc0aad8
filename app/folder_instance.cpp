#include "app/folder_instance.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "app/frm_nimbrel.h"
#include "util/absolute_folder.h"
#include "util/join_path.h"

namespace nimbrel {

namespace {

// Start-up reports a failed registry read itself; finding the key says nothing.
class Unsaid : public MessageBox {
  public:
    void Show(const std::string&, const std::string&, MessageBoxIcon) override {}
};

}  // namespace

std::string StartFolder(const std::optional<std::string>& folder, const SimulatorPlaces& places) {
    if (folder) {
        return *folder;
    }
    return JoinPath(LookUpSimulatorFolder(places).value_or(""), "METAR\\");
}

std::string StartFolderKey(const CommandLine& options, Registry& registry,
                           Environment& environment) {
    Unsaid unsaid;
    return FolderInstanceName(StartFolder(options.folder, {registry, unsaid, environment}));
}

std::string FolderInstanceName(std::string_view folder) {
    std::string key = WithBackslashes(std::string(folder));
    while (key.ends_with('\\')) {
        key.pop_back();
    }
    // FNV-1a: the folder may be longer than an object's name may be, and holds backslashes,
    // which a name may not.
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : key) {
        const char upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        hash = (hash ^ static_cast<unsigned char>(upper)) * 1099511628211ull;
    }
    char hex[17] = {};
    std::snprintf(hex, sizeof(hex), "%016llx", static_cast<unsigned long long>(hash));
    return std::string("Local\\Nimbrel.") + hex;
}

std::vector<std::string> HandedOverArguments(const CommandLine& options) {
    std::vector<std::string> arguments;
    if (options.launch) {
        arguments.emplace_back("--launch");
    }
    if (options.updateNow) {
        arguments.emplace_back("--update-now");
    }
    if (options.intervalGiven) {
        arguments.emplace_back("--interval");
        arguments.push_back(std::to_string(options.intervalMinutes));
    }
    return arguments;
}

std::string HandedOverText(const CommandLine& options) {
    std::string text;
    for (const std::string& argument : HandedOverArguments(options)) {
        text += argument + '\n';
    }
    return text;
}

CommandLine ReadHandedOver(std::string_view text) {
    std::vector<std::string> arguments;
    for (std::size_t start = 0, end = 0; start < text.size(); start = end + 1) {
        end = std::min(text.find('\n', start), text.size());
        arguments.emplace_back(text.substr(start, end - start));
    }
    return ParseCommandLine(arguments);
}

void FrmNimbrel::Form_HandedOver(const CommandLine& options) {
    // Before the window is up the first's own start goes on: the same shortcut started both.
    if (!options.error.empty() || !life_.Running()) {
        return;
    }
    if (options.intervalGiven) {
        settings_.intervalMinutes = options.intervalMinutes;
        if (controls_.Timer1.Enabled()) {
            SetTimer();
        }
    }
    // What this one was started with stays: a plain second start must not undo its --launch.
    settings_.launchSimulator = settings_.launchSimulator || options.launch;
    const bool clickedRuns = clickedSimulator_ && !clickedSimulator_->Lifetime();
    if (options.launch && watchedSimulator_ == WatchedSimulator::None && !clickedRuns) {
        LaunchAfterFirstUpdate();
    } else if (options.updateNow) {
        Command1_Click();
    }
}

}  // namespace nimbrel
