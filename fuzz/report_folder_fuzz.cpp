// The simulator's folder as the registry may hold it, and any text typed into the folder box, to
// the report files' paths.
#include <algorithm>
#include <cctype>

#include "fuzz/fuzz_property.h"
#include "fuzz/windows_path.h"
#include "tests/fake/fake_platform.h"
#include "util/absolute_folder.h"
#include "util/join_path.h"
#include "util/simulator.h"

namespace {

// A folder accepted for writing names one place, the one the system will open: no NUL cuts it
// short. Each report lands right in it. A drive's folder is always accepted.
void CheckReportPaths(const std::string& folder) {
    const bool drivePath = folder.size() >= 3 &&
                           std::isalpha(static_cast<unsigned char>(folder[0])) &&
                           folder[1] == ':' && folder[2] == '\\';
    const bool accepted = nimbrel::IsAbsoluteFolder(folder);
    FUZZ_REQUIRE(accepted || !drivePath || folder.find('\0') != std::string::npos, folder);
    if (!accepted) {
        return;
    }
    FUZZ_REQUIRE(
        folder.find('\0') == std::string::npos && nimbrel::fuzz::WindowsReadsAsAbsolute(folder),
        folder);
    for (const std::string name : {"CurrentMETAR.txt", "PreviousMETAR.txt"}) {
        const std::string path = nimbrel::JoinPath(folder, name);
        const std::string parent = path.substr(0, path.size() - name.size());
        FUZZ_REQUIRE(path.ends_with(name) && parent.ends_with('\\') &&
                         (parent == folder || parent == folder + '\\'),
                     path);
        FUZZ_REQUIRE(nimbrel::IsAbsoluteFolder(path), path);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(nimbrel::fuzz::AsText(data, size));

    // Start-up fills the box from the registry.
    nimbrel::fake::FakeRegistry registry;
    nimbrel::fake::FakeMessageBox messageBox;
    nimbrel::fake::FakeEnvironment environment;
    registry.SetRaw(nimbrel::fake::kLocalMachine, nimbrel::kSimulatorKey, nimbrel::kSimulatorValue,
                    {1, text});
    const auto folder = nimbrel::LookUpSimulatorFolder({registry, messageBox, environment});
    FUZZ_REQUIRE(messageBox.shown.empty(), text);
    FUZZ_REQUIRE(!folder || folder->find('\0') == std::string::npos, *folder);
    CheckReportPaths(nimbrel::JoinPath(folder.value_or(""), "METAR\\"));

    // The user may type anything into it; slashes are taken for backslashes.
    CheckReportPaths(nimbrel::WholeFolder(text).value_or(text));
    return 0;
}
