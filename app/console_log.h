// The lines a run without a window writes: progress to one stream, failures to the other.
#pragma once

#include <chrono>
#include <string>

#include "app/frm_nimbrel.h"
#include "util/message_box.h"

namespace nimbrel {

// Takes one line of UTF-8 text, without its line end.
class LineOutput {
  public:
    virtual ~LineOutput() = default;

    virtual void WriteLine(const std::string& text) = 0;
};

// 2026-12-07T14:52:03Z
std::string IsoUtcTime(std::chrono::system_clock::time_point time);

// Each line starts with the time it was written. Red texts are failures.
class ConsoleLog : public StatusLog, public MessageBox {
  public:
    ConsoleLog(LineOutput& progress, LineOutput& failures, const Clock& clock)
        : progress_(progress), failures_(failures), clock_(clock) {}

    void OnStatus(Colour colour, const std::string& text) override;
    // Without a window a message box would wait for a click that never comes; its text is a
    // failure line instead.
    void Show(const std::string& text, const std::string& title, MessageBoxIcon icon) override;
    void Failure(const std::string& text);
    // Text a script asked for (the help, the version): as it stands, without times.
    void Print(const std::string& text);

  private:
    void Write(LineOutput& output, const std::string& text);

    LineOutput& progress_;
    LineOutput& failures_;
    const Clock& clock_;
};

}  // namespace nimbrel
