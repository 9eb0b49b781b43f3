// Sound double: journals "MessageBeep <type>".
#pragma once

#include <string>

#include "platform/Sound.h"
#include "tests/fakes/Journal.h"

namespace tolvane::fake {

class Sound : public tolvane::Sound {
 public:
  explicit Sound(Journal& journal) : journal_(journal) {}
  void MessageBeep(std::uint32_t type) override { journal_.Add("MessageBeep " + std::to_string(type)); }

 private:
  Journal& journal_;
};

}  // namespace tolvane::fake
