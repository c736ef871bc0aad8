// Which folder texts name one real place, whatever the program's current drive and folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nimbrel {

// True for a drive, a colon and a backslash (`C:\...`) or a UNC path (`\\server\share...`).
// A drive-relative `C:METAR`, a root-relative `\METAR\`, a bare name, blanks and the device
// namespaces `\\?\` and `\\.\` (either slash separating) are false: they resolve differently
// from run to run. So is a text with a NUL, which the system would cut short.
bool IsAbsoluteFolder(std::string_view path);

// Windows takes a slash for a backslash; the program compares and joins paths with backslashes.
std::string WithBackslashes(std::string path);

// The folder as the program uses it: slashes made backslashes and one final backslash; nullopt
// unless it names one real place.
std::optional<std::string> WholeFolder(std::string_view path);

}  // namespace nimbrel
