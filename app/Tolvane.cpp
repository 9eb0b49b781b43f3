#include "app/Tolvane.h"

namespace tolvane {

Tolvane::Tolvane(const Platform& p)
    : platform(p),
      assembly(p.serial, mainForm, serialSettings, [this] { processing.ProcessRecord(); }),
      processing(p, mainForm, serialSettings, KeyTrans, assembly.state.CurrentRecord, DOSTarget,
                 [](const std::string&) -> std::int16_t { return 0; }),
      port(p.serial, mainForm, serialSettings, assembly) {
  InitKeyTrans(KeyTrans);
  mainForm.chkDOSTarget.click = [this] { DOSTarget = mainForm.chkDOSTarget.value; };
  platform.serial.SetOnComm([this] { MSComm1_OnComm(); });
}

}  // namespace tolvane
