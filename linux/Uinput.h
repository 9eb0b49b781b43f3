// uinput typing: a virtual keyboard of the kernel, seen by X11, Wayland and the console alike.
#pragma once

#include <memory>
#include <string>

#include "linux/TypingEngine.h"

namespace tolvane::posix {

// The virtual keyboard, made; null with the reason when it cannot be.
std::unique_ptr<KeyOutput> MakeUinputOutput(std::string& error);

}  // namespace tolvane::posix
