// COM on the user-interface thread: its apartment, and interface pointers that release
// themselves.
#pragma once

#include <objbase.h>

#include <memory>

namespace nimbrel {

struct ComReleaser {
    void operator()(IUnknown* object) const { object->Release(); }
};

template <typename Interface>
using ComHandle = std::unique_ptr<Interface, ComReleaser>;

// A single-threaded apartment for the life of the object, as the shell and the imaging
// component want on a thread with windows.
class ComApartment {
  public:
    ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_)) {
            CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

  private:
    HRESULT result_;
};

}  // namespace nimbrel
