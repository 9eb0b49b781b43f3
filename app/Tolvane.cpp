#include "app/Tolvane.h"

namespace tolvane {

Tolvane::Tolvane(const Platform& p)
    : platform(p),
      keySynth(p.keyboard),
      assembly(p.serial, mainForm, serialSettings, [this] { processing.ProcessRecord(); }),
      processing(p, mainForm, serialSettings, KeyTrans, assembly.state.CurrentRecord, DOSTarget,
                 [this](const std::string& keys) { return keySynth.SimSendKeys(keys); }),
      port(p.serial, mainForm, serialSettings, assembly) {
  InitKeyTrans(KeyTrans);
  mainForm.chkDOSTarget.click = [this] { DOSTarget = mainForm.chkDOSTarget.value; };
  platform.serial.SetOnComm([this] { MSComm1_OnComm(); });
}

}  // namespace tolvane
