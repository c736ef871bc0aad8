// One Nimbrel with a window per METAR folder: a second start for the same folder hands its
// --launch, --update-now and --interval to the first and ends.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "util/simulator.h"

namespace nimbrel {

// The report folder as start-up resolves it: `folder` (--folder's) when given, else the METAR
// folder of the simulator's installation, else the METAR folder alone, for the user to fix.
std::string StartFolder(const std::optional<std::string>& folder, const SimulatorPlaces& places);
// The same, for the key only: a failed registry read is for start-up to report.
std::string StartFolderKey(const CommandLine& options, Registry& registry,
                           Environment& environment);

// The name of the objects in the user's session that the Nimbrel with a window for `folder`
// holds: the folder compared without regard to case (of its ASCII letters), slashes or a final
// backslash.
std::string FolderInstanceName(std::string_view folder);

// What a second start hands to the first, as options the first reads with ParseCommandLine.
std::vector<std::string> HandedOverArguments(const CommandLine& options);
// The same on the way between the two processes, one argument a line, and read back on the
// other side as any command line is checked.
std::string HandedOverText(const CommandLine& options);
CommandLine ReadHandedOver(std::string_view text);

}  // namespace nimbrel
