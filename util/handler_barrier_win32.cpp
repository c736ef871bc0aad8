#include "util/handler_barrier_win32.h"

#include <string>
#include <utility>

#include "util/runtime_error.h"
#include "util/win32_text.h"

namespace nimbrel {

namespace {

// Every window procedure runs on the program's one thread.
bool holding = false;
std::exception_ptr held;

}  // namespace

void ReportUnhandled(const std::exception& error) {
    if (holding) {
        if (!held) {
            held = std::current_exception();
        }
        return;
    }
    std::string text = error.what();
    if (const auto* runtimeError = dynamic_cast<const RuntimeError*>(&error)) {
        text = "Run-time error " + std::to_string(runtimeError->Number()) + ":\n\n" + text;
    }
    MessageBoxW(GetActiveWindow(), Utf8ToWide(text).c_str(), L"Nimbrel", MB_OK | MB_ICONERROR);
}

HeldFailures::HeldFailures() {
    holding = true;
}

HeldFailures::~HeldFailures() {
    holding = false;
    held = nullptr;
}

void RaiseHeldFailure() {
    if (held) {
        std::rethrow_exception(std::exchange(held, nullptr));
    }
}

}  // namespace nimbrel
