// The barrier between each window procedure's handlers and the system's window code, which an
// exception must not unwind through.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>

namespace nimbrel {

// Tells an error that escaped a handler, and the program goes on with the next message: while a
// HeldFailures lives, holds it; while an UnhandledTeller lives, hands it to that; otherwise shows
// it in a message box.
void ReportUnhandled(const std::exception& error);

// Runs one message's handling; what escapes it is reported, and the message counts as handled.
template <typename Handle>
LRESULT WithBarrier(Handle&& handle) {
    try {
        return handle();
    } catch (const std::exception& error) {
        ReportUnhandled(error);
        return 0;
    }
}

// A run without a window has nobody to close a box. While one of these lives, the first error
// that escapes a handler is held, and RaiseHeldFailure throws it again in the program's own loop,
// where it ends the run.
class HeldFailures {
  public:
    HeldFailures();
    ~HeldFailures();
    HeldFailures(const HeldFailures&) = delete;
    HeldFailures& operator=(const HeldFailures&) = delete;
};

// Throws the held error, if there is one, once.
void RaiseHeldFailure();

// While one of these lives, the program's logic decides where an escaped error goes.
class UnhandledTeller {
  public:
    explicit UnhandledTeller(std::function<void(std::exception_ptr)> tell);
    ~UnhandledTeller();
    UnhandledTeller(const UnhandledTeller&) = delete;
    UnhandledTeller& operator=(const UnhandledTeller&) = delete;
};

}  // namespace nimbrel
