// XTest typing: key events into the X server, in its own keymap and the group that is active,
// followed as they change; characters the keymap lacks are bound to spare key codes. The
// server may go away: records are then refused until it is back.
#pragma once

#include <memory>
#include <string>

#include "linux/Typing.h"

namespace tolvane::posix {

// Null, with the reason, when there is no X display with XTest and XKB.
std::unique_ptr<Typing> OpenXtestTyping(std::string& error);

}  // namespace tolvane::posix
