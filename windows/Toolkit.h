// The window toolkit on Win32: draws each form from its table, keeps the controls and the
// models in step, forwards clicks to the form's handlers, and runs modal loops.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/Toolkit.h"
#include "windows/Win32.h"

namespace tolvane::win32 {

class FormWindow;

class Toolkit : public tolvane::Toolkit {
 public:
  Toolkit(HINSTANCE instance, HICON icon);
  ~Toolkit() override;

  // The main window, created hidden; hook sees its messages first.
  using MessageHook = std::function<bool(UINT, WPARAM, LPARAM, LRESULT&)>;
  HWND CreateMainWindow(Form& form, MessageHook hook);

  void ShowModal(Form& form) override;
  void ShowModeless(Form& form) override;
  void Unload(Form& form) override;
  void BringToFront(Form& form) override;
  void Refresh(Form& form) override;
  std::string TrackPopupMenu(const std::vector<MenuSpec>& items, const std::string& defaultItem) override;
  void SetMousePointer(MousePointer pointer) override;
  void AppActivate(const std::string& title) override;
  ScreenSize Screen() override;

  // After every event: windows follow their models; unloaded modeless windows go.
  void AfterEvent();
  // Keyboard navigation and F1, before a message is dispatched; true when it was used.
  bool PreTranslate(MSG& msg);
  // The main window follows the model's state and visibility.
  void ApplyMainState(std::int16_t windowState, bool visible);
  bool ApplyingMainState() const { return applyingMain_; }

  // The font at a window's DPI.
  HFONT Font(const FontSpec& spec, int dpi);
  // The system's DPI, at which windows start.
  int Dpi() const { return dpi_; }
  int Px(int twips) const { return MulDiv(twips, dpi_, 1440); }
  HINSTANCE instance() const { return instance_; }
  HICON icon() const { return icon_; }
  bool hourglass() const { return hourglass_; }
  std::function<void()> onHelp;

 private:
  FormWindow* Find(const Form& form) const;

  HINSTANCE instance_;
  HICON icon_;
  int dpi_ = 96;
  bool hourglass_ = false;
  bool applyingMain_ = false;
  std::unique_ptr<FormWindow> main_;
  std::vector<std::unique_ptr<FormWindow>> windows_;  // dialogs, modal and modeless
  std::vector<FormWindow*> modal_;                    // innermost last
  std::map<std::pair<const FontSpec*, int>, HFONT> fonts_;
  std::map<std::string, HFONT> fontsByName_;
};

}  // namespace tolvane::win32
