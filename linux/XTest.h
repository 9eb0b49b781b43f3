// XTest typing: key events into the X server, in its own keymap; characters the keymap lacks
// are bound to spare key codes.
#pragma once

#include <memory>

#include "linux/TypingEngine.h"

typedef struct _XDisplay Display;  // Xlib's, without its macros

namespace tolvane::posix {

// Takes the display, and closes it when it goes.
std::unique_ptr<KeyOutput> MakeXtestOutput(Display* display);

}  // namespace tolvane::posix
