// Windows as data: every control of a form with its kind, text, position and size in twips,
// tab order and flags. The Win32 renderer draws from these tables; tests read them.
#pragma once

#include <cstdint>
#include <vector>

namespace tolvane {

enum class ControlKind {
  Label,
  Button,
  CheckBox,
  OptionButton,
  Frame,
  TextBox,        // one line
  MaskedTextBox,  // one line, every character shown as "*"
  DropDownList,   // choose a row, no free text
  DropDownCombo,  // choose a row or type any text
  Picture,
};

struct FontSpec {
  const char* face;
  double points;
  bool bold;
  bool oemCharset = false;
};

inline constexpr FontSpec kSansBold{"MS Sans Serif", 8.25, true};

// Flags of a control.
enum : std::uint32_t {
  kDefaultButton = 1u << 0,  // Enter presses it
  kCancelButton = 1u << 1,   // Escape presses it
  kHidden = 1u << 2,
  kDisabled = 1u << 3,
  kAutoSize = 1u << 4,  // sized to its text; width and height are 0
  kNoBorder = 1u << 5,
  kReadOnly = 1u << 6,
  kCentered = 1u << 7,    // text centred
  kFaceColour = 1u << 8,  // button-face background
  kLink = 1u << 9,        // blue text, hand cursor
};

struct ControlSpec {
  const char* name;
  ControlKind kind;
  const char* text;
  int left, top, width, height;  // twips, relative to the container
  int tabIndex;
  std::uint32_t flags = 0;
  const char* container = nullptr;  // a frame, or the form itself
  const FontSpec* font = nullptr;   // the form's font when null
  int index = -1;                   // element of a control array
};

enum class BorderStyle { FixedSingle, FixedDialog };

inline constexpr std::uint32_t kSystemFace = 0xFFFFFFFF;  // the system's button-face colour

// A menu item; parent null for the bar itself. A hidden bar item is a pop-up menu.
struct MenuSpec {
  const char* name;
  const char* caption;  // "-" is a separator
  const char* parent;
  bool visible = true;
};

struct FormSpec {
  const char* name;
  const char* caption;
  int clientWidth, clientHeight;  // twips
  BorderStyle border;
  bool minButton, maxButton, showInTaskbar;
  FontSpec font;
  std::vector<ControlSpec> controls;
  std::vector<MenuSpec> menus = {};
  bool centred = true;                     // placed in the centre of the screen when first shown
  std::uint32_t background = kSystemFace;  // 0x00BBGGRR

  const ControlSpec* Find(const char* controlName, int index = -1) const;
};

}  // namespace tolvane
