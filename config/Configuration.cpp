#include "config/Configuration.h"

#include <optional>

#include "common/TextToNumber.h"
#include "config/ProfileFile.h"
#include "serialsettings/SettingsString.h"

namespace tolvane {
namespace {

// A whole number in [lo, hi], or nullopt for anything the receiving control cannot take.
std::optional<std::int32_t> ReadInteger(const std::string& text, std::int32_t lo, std::int32_t hi) {
  const auto n = ToInt16(TextToNumber(text));
  if (!n || *n < lo || *n > hi) return std::nullopt;
  return *n;
}

std::int16_t ReadInteger(const std::string& text, std::int32_t lo, std::int32_t hi, std::int16_t fallback) {
  return static_cast<std::int16_t>(ReadInteger(text, lo, hi).value_or(fallback));
}

std::int16_t ReadCheckBox(const std::string& text) { return ReadInteger(text, 0, 2, 0); }

std::string KeyTransName(int code) { return "KeyTrans" + std::to_string(code); }

struct Reader {
  const ProfileFile& file;
  std::string Text(const char* key, const std::string& fallback) const {
    return file.Get(kConfigSection, key).value_or(fallback);
  }
};

}  // namespace

std::string ConfigFilePath(const std::string& programFolder) {
  std::string path = programFolder;
  if (path.empty() || path.back() != '\\') path += '\\';
  return path + "default.tlv";
}

bool HasMinimizeSwitch(const std::string& arguments) { return arguments.find("/M") != std::string::npos; }

void LoadConfiguration(ProfileStore& store, const std::string& path, const std::string& arguments,
                       const ConfigTargets& to) {
  const ProfileFile file = ProfileFile::Parse(store.Read(path).value_or(std::string()));
  const Reader r{file};
  MainForm& f = to.form;

  std::int16_t flow = ReadInteger(r.Text("Handshake", "0"), -32768, 32767, 0);
  to.serial.FlowCtrlIndex = flow >= 0 && flow <= 3 ? flow : 0;

  const std::int16_t dos = ReadCheckBox(r.Text("DOSTarget", "0"));
  f.chkDOSTarget.SetValue(dos);
  to.dosTarget = dos;

  f.BeepOnInput.SetValue(ReadCheckBox(r.Text("Beep", "0")));
  if (f.BeepOnInput.click) f.BeepOnInput.click();  // the sound list follows even an unchanged box

  f.cboSound.SetListIndex(ReadInteger(r.Text("BeepSound", "0"), -1, 4, 0));
  to.serial.ScannerBeepString = r.Text("ScannerBeepString", "");
  f.LoadWithWindows.SetValue(ReadCheckBox(r.Text("AutoLoad", "0")));
  f.RemoveCRs.SetValue(ReadCheckBox(r.Text("RemoveReturns", "0")));
  f.NumFilter.SetValue(ReadCheckBox(r.Text("NumericFilter", "0")));
  f.IgnoreDups.SetValue(ReadCheckBox(r.Text("IgnoreDups", "0")));
  f.TermKeyCombo.text = r.Text("Postamble", "");

  to.serial.PortSettings = r.Text("Settings", "9600,N,8,1");
  DerivePositions(to.serial);
  to.password = r.Text("Password", "");

  // Opens the saved port, with the line settings and flow control loaded above.
  f.PortList.SetListIndex(ReadInteger(r.Text("ComPort", "0"), -1, 16, 0));

  for (int code = 0; code < 256; ++code) {
    auto& entry = to.keyTrans[static_cast<std::size_t>(code)];
    entry = r.Text(KeyTransName(code).c_str(), entry);
  }

  const std::string state = HasMinimizeSwitch(arguments) ? "1" : r.Text("WindowState", "0");
  f.windowState = ReadInteger(state, 0, 2, 0);
}

Status SaveConfiguration(ProfileStore& store, const std::string& path, const ConfigTargets& from,
                       const std::function<void()>& updateStartupEntry) {
  ProfileFile file = ProfileFile::Parse(store.Read(path).value_or(std::string()));
  const auto put = [&](const char* key, const std::string& value) { file.Set(kConfigSection, key, value); };
  const auto putInt = [&](const char* key, std::int32_t value) { put(key, std::to_string(value)); };
  const MainForm& f = from.form;

  putInt("ComPort", f.PortList.listIndex);
  putInt("DOSTarget", f.chkDOSTarget.value);
  putInt("BeepSound", f.cboSound.listIndex);
  put("ScannerBeepString", from.serial.ScannerBeepString);
  putInt("Handshake", from.serial.FlowCtrlIndex);
  putInt("Beep", f.BeepOnInput.value);
  putInt("AutoLoad", f.LoadWithWindows.value);
  putInt("NumericFilter", f.NumFilter.value);
  putInt("IgnoreDups", f.IgnoreDups.value);
  if (updateStartupEntry) updateStartupEntry();
  putInt("RemoveReturns", f.RemoveCRs.value);
  put("Postamble", f.TermKeyCombo.text);
  putInt("WindowState", f.windowState);
  put("Settings", from.serial.PortSettings);
  put("Password", from.password);
  for (int code = 0; code < 256; ++code) put(KeyTransName(code).c_str(), from.keyTrans[static_cast<std::size_t>(code)]);

  return store.Write(path, file.Serialize());
}

}  // namespace tolvane
