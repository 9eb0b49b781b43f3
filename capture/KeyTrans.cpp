#include "capture/KeyTrans.h"

namespace tolvane {

void InitKeyTrans(KeyTransTable& keyTrans) {
  for (int n = 0; n < 256; ++n) {
    const bool control = n < 32 || (n >= 128 && n < 160);
    keyTrans[static_cast<std::size_t>(n)] = control ? std::string() : std::string(1, static_cast<char>(n));
  }
  static const struct {
    int code;
    const char* text;
  } kSpecial[] = {
      {8, "{BACKSPACE}"}, {9, "{TAB}"}, {13, "{ENTER}"}, {27, "{ESCAPE}"}, {32, "{ }"},       {36, "{F9}"},
      {37, "{F10}"},      {40, "{(}"},  {41, "{)}"},     {43, "{+}"},      {91, "{[}"},       {93, "{]}"},
      {94, "{^}"},        {123, "{{}"}, {125, "{}}"},    {126, "{~}"},     {127, "{DELETE}"}, {160, "{ }"},
  };
  for (const auto& s : kSpecial) keyTrans[static_cast<std::size_t>(s.code)] = s.text;
}

}  // namespace tolvane
