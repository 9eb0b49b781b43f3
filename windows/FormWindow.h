// One form on the screen: a top-level window with child controls made from the form's table
// (twips to pixels at the DPI of the monitor it is on), kept in step with the form's models,
// and laid out again when it moves to a monitor of another scale (WM_DPICHANGED).
#pragma once

#include <string>
#include <vector>

#include "ui/Form.h"
#include "windows/Toolkit.h"
#include "windows/Win32.h"

namespace tolvane::win32 {

class FormWindow {
 public:
  FormWindow(Toolkit& toolkit, Form& form, HWND owner, Toolkit::MessageHook hook = nullptr);
  ~FormWindow();
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  Form& form() { return form_; }
  void Sync();

  static constexpr int kFirstMenuId = 2000;

 private:
  struct Item {
    const ControlSpec* spec;
    HWND hwnd;
    int id;
    std::string shownText;
    std::vector<std::string> shownItems;
    int shownCheck = -1;
    int shownEnabled = -1;
    int shownVisible = -1;
  };

  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  HMENU CreateMenuBar();
  void OnCommand(int id, int code);
  void ClickButton(std::uint32_t flag);
  Item* ById(int id);
  Item* ByHwnd(HWND hwnd);
  POINT Origin(const ControlSpec& c) const;
  bool Visible(const ControlSpec& c) const;
  int Px(int twips) const { return MulDiv(twips, dpi_, 1440); }
  HFONT FontOf(const ControlSpec& c) const;
  RECT Bounds(const ControlSpec& c) const;  // in the client area, at the window's DPI
  // Everything at another DPI; the window takes the rectangle the system suggests, if any.
  void Rescale(int dpi, const RECT* suggested);

  Toolkit& toolkit_;
  Form& form_;
  Toolkit::MessageHook hook_;
  int dpi_;
  DWORD style_ = 0, exStyle_ = 0;
  HWND hwnd_ = nullptr;
  HBRUSH background_ = nullptr;
  HBRUSH face_ = nullptr;
  std::vector<Item> items_;
  std::string shownCaption_;
  bool syncing_ = false;
};

}  // namespace tolvane::win32
