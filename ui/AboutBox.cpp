#include "ui/AboutBox.h"

namespace tolvane {

const FormSpec& AboutSpec() {
  static const FontSpec title{"MS Sans Serif", 9.75, true};
  static const FontSpec regular{"MS Sans Serif", 8.25, false};
  static const FormSpec spec{
      "about",
      "About Tolvane",
      5430,
      4845,
      BorderStyle::FixedDialog,
      false,
      false,
      false,
      kSansBold,
      {
          {"TitleLabel", ControlKind::Label, "Tolvane For Bar Code Readers", 945, 315, 3540, 240, 1, kCentered, nullptr,
           &title},
          {"NoticeLabel", ControlKind::Label, "", 720, 600, 4185, 585, 2, kCentered},
          {"MakerLabel", ControlKind::Label, kMakerName, 1680, 1875, 2280, 195, 3, kCentered},
          {"StreetLabel", ControlKind::Label, "1 Example Street", 1680, 2115, 2280, 195, 4, kCentered},
          {"CityLabel", ControlKind::Label, "Exampleton", 1680, 2355, 2280, 195, 5, kCentered},
          {"TelephoneLabel", ControlKind::Label, "Telephone 555 0100", 1680, 2595, 2280, 195, 6, kCentered},
          {"WebLink", ControlKind::Label, kWebAddress, 1800, 2880, 2040, 195, 7, kCentered | kLink},
          {"WarningLabel", ControlKind::Label,
           "Warning: this program is protected by copyright law. Copying or distributing it, or any part of it, "
           "without permission is not allowed.",
           315, 3195, 4740, 975, 8, kHidden, nullptr, &regular},
          {"OkButton", ControlKind::Button, "OK", 2265, 4365, 1200, 375, 0, kDefaultButton | kCancelButton},
          {"Logo", ControlKind::Picture, "logo", 1575, 1230, 2280, 585, 9},
          {"IconPicture", ControlKind::Picture, "icon", 240, 240, 480, 480, 10},
      },
      {},
      true,
      0x00C0C0C0,
  };
  return spec;
}

std::string AboutNotice(int year) {
  return "Copyright \xA9 2024-" + std::to_string(year) + " " + kMakerName + "\r\nAll rights reserved.";
}

void About::Click(std::string_view name, int) {
  if (name == "OkButton")
    OkButton_Click();
  else if (name == "WebLink")
    WebLink_Click();
}

void About::Form_Load() {
  caption = Spec().caption;
  NoticeLabel.text = AboutNotice(clock_.Now().year);
  visibleOverride["WarningLabel"] = true;
  loaded = true;
}

void About::MakeSplash() {
  visibleOverride["OkButton"] = false;
  outerHeight = 4950;
  caption.clear();
}

void About::WebLink_Click() {
  toolkit_.SetMousePointer(MousePointer::Hourglass);
  shell_.Open(std::string("https://") + kWebAddress + "/");
  toolkit_.SetMousePointer(MousePointer::Default);
}

}  // namespace tolvane
