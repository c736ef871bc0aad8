// The lines a run without a window writes, kept for a test to read.
#pragma once

#include <string>
#include <vector>

#include "app/console_log.h"

namespace nimbrel::fake {

struct RecordingOutput : LineOutput {
    void WriteLine(const std::string& text) override { lines.push_back(text); }
    std::vector<std::string> lines;
};

}  // namespace nimbrel::fake
