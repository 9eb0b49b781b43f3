// The about box, also the start-up splash: the notice ending in the current year, and a
// link that opens the maker's web address.
#pragma once

#include <string>

#include "platform/Clock.h"
#include "platform/Shell.h"
#include "platform/Toolkit.h"
#include "ui/Form.h"

namespace tolvane {

const FormSpec& AboutSpec();

inline constexpr const char* kMakerName = "Tolvane Software";
inline constexpr const char* kWebAddress = "www.tolvane.example";

// Two lines: the years up to the current one with the maker's name, then the rights.
std::string AboutNotice(int year);

class About : public Form {
 public:
  About(Clock& clock, Shell& shell, Toolkit& toolkit) : clock_(clock), shell_(shell), toolkit_(toolkit) {}
  const FormSpec& Spec() const override { return AboutSpec(); }
  TextBox* Text(std::string_view name) override { return name == "NoticeLabel" ? &NoticeLabel : nullptr; }
  void Click(std::string_view name, int index = -1) override;

  void Form_Load();
  // Start-up's variant: no OK button, shorter, no caption.
  void MakeSplash();
  void OkButton_Click() { loaded = false; }
  void WebLink_Click();

  TextBox NoticeLabel;

 private:
  Clock& clock_;
  Shell& shell_;
  Toolkit& toolkit_;
};

}  // namespace tolvane
