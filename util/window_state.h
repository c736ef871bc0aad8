// How a window that the program starts or opens first appears.
#pragma once

namespace nimbrel {

enum class WindowState { Normal, Minimized, Maximized };

}  // namespace nimbrel
