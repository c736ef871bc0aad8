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
std::function<void(std::exception_ptr)> teller;

void ShowInBox(const std::exception& error) {
    MessageBoxW(GetActiveWindow(), Utf8ToWide(DescribeError(error)).c_str(), L"Nimbrel",
                MB_OK | MB_ICONERROR);
}

}  // namespace

void ReportUnhandled(const std::exception& error) {
    if (holding) {
        if (!held) {
            held = std::current_exception();
        }
        return;
    }
    if (teller) {
        try {
            teller(std::current_exception());
            return;
        } catch (const std::exception&) {
            // Telling it failed as well: the box, at least, still shows the first error.
        }
    }
    ShowInBox(error);
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

UnhandledTeller::UnhandledTeller(std::function<void(std::exception_ptr)> tell) {
    teller = std::move(tell);
}

UnhandledTeller::~UnhandledTeller() {
    teller = nullptr;
}

}  // namespace nimbrel
