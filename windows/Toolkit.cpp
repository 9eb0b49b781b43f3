#include "windows/Win32.h"

#include "windows/Toolkit.h"

#include <algorithm>
#include <cmath>

#include "windows/FormWindow.h"

namespace tolvane::win32 {

Toolkit::Toolkit(HINSTANCE instance, HICON icon) : instance_(instance), icon_(icon) {
  HDC screen = GetDC(nullptr);
  dpi_ = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  if (dpi_ <= 0) dpi_ = 96;
}

Toolkit::~Toolkit() {
  windows_.clear();
  main_.reset();
  for (auto& f : fontsByName_) DeleteObject(f.second);
}

HFONT Toolkit::Font(const FontSpec& spec, int dpi) {
  const auto it = fonts_.find({&spec, dpi});
  if (it != fonts_.end()) return it->second;
  const std::string key =
      std::string(spec.face) + "/" + std::to_string(spec.points) + (spec.bold ? "b" : "") + "@" + std::to_string(dpi);
  HFONT& font = fontsByName_[key];
  if (!font) {
    const int height = -static_cast<int>(std::lround(spec.points * dpi / 72.0));
    font = CreateFontA(height, 0, 0, 0, spec.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                       spec.oemCharset ? OEM_CHARSET : DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, spec.face);
  }
  fonts_[{&spec, dpi}] = font;
  return font;
}

HWND Toolkit::CreateMainWindow(Form& form, MessageHook hook) {
  main_ = std::make_unique<FormWindow>(*this, form, nullptr, std::move(hook));
  return main_->hwnd();
}

FormWindow* Toolkit::Find(const Form& form) const {
  for (const auto& w : windows_)
    if (&w->form() == &form) return w.get();
  return nullptr;
}

void Toolkit::ShowModal(Form& form) {
  HWND owner = main_ ? main_->hwnd() : nullptr;
  windows_.push_back(std::make_unique<FormWindow>(*this, form, owner));
  FormWindow* window = windows_.back().get();
  modal_.push_back(window);
  const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
  if (owner) EnableWindow(owner, FALSE);
  ShowWindow(window->hwnd(), SW_SHOW);
  SetForegroundWindow(window->hwnd());
  MSG msg;
  bool quit = false;
  // Shut-down (a session that ends) also ends every modal loop.
  while (form.loaded && (!main_ || main_->form().loaded)) {
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) {
      quit = true;
      break;
    }
    if (!PreTranslate(msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  modal_.pop_back();
  if (owner && ownerWasEnabled) EnableWindow(owner, TRUE);
  for (auto it = windows_.begin(); it != windows_.end(); ++it)
    if (it->get() == window) {
      windows_.erase(it);
      break;
    }
  if (owner && IsWindowVisible(owner)) SetForegroundWindow(owner);
  if (quit) PostQuitMessage(static_cast<int>(msg.wParam));
}

void Toolkit::ShowModeless(Form& form) {
  if (Find(form)) return;
  HWND owner = main_ ? main_->hwnd() : nullptr;
  windows_.push_back(std::make_unique<FormWindow>(*this, form, owner));
  ShowWindow(windows_.back()->hwnd(), SW_SHOW);
}

void Toolkit::Unload(Form& form) {
  for (auto it = windows_.begin(); it != windows_.end(); ++it)
    if (&(*it)->form() == &form) {
      windows_.erase(it);
      return;
    }
}

void Toolkit::BringToFront(Form& form) {
  if (FormWindow* w = Find(form)) {
    ShowWindow(w->hwnd(), SW_SHOW);
    SetForegroundWindow(w->hwnd());
  }
}

void Toolkit::Refresh(Form& form) {
  if (FormWindow* w = Find(form)) {
    w->Sync();
    UpdateWindow(w->hwnd());
  }
}

void Toolkit::AfterEvent() {
  if (main_) main_->Sync();
  for (auto it = windows_.begin(); it != windows_.end();) {
    (*it)->Sync();
    // A modeless window whose form was unloaded goes; a modal one is ended by its loop.
    const bool modal = std::find(modal_.begin(), modal_.end(), it->get()) != modal_.end();
    if (!(*it)->form().loaded && !modal) {
      it = windows_.erase(it);
    } else {
      ++it;
    }
  }
}

bool Toolkit::PreTranslate(MSG& msg) {
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_F1) {
    if (onHelp) onHelp();
    return true;
  }
  HWND root = GetAncestor(msg.hwnd, GA_ROOT);
  if (!root) return false;
  const bool ours = (main_ && main_->hwnd() == root) ||
                    std::any_of(windows_.begin(), windows_.end(), [&](const auto& w) { return w->hwnd() == root; });
  return ours && IsDialogMessageA(root, &msg);
}

void Toolkit::ApplyMainState(std::int16_t windowState, bool visible) {
  if (!main_) return;
  applyingMain_ = true;
  HWND h = main_->hwnd();
  if (!visible) {
    ShowWindow(h, SW_HIDE);
  } else if (windowState == kMinimized) {
    ShowWindow(h, SW_SHOWMINNOACTIVE);
  } else if (windowState == kMaximized) {
    ShowWindow(h, SW_SHOWMAXIMIZED);
  } else {
    ShowWindow(h, IsIconic(h) || IsZoomed(h) ? SW_RESTORE : SW_SHOW);
  }
  applyingMain_ = false;
}

std::string Toolkit::TrackPopupMenu(const std::vector<MenuSpec>& items, const std::string& defaultItem) {
  HMENU menu = CreatePopupMenu();
  for (std::size_t i = 0; i < items.size(); ++i) {
    AppendMenuA(menu, MF_STRING, i + 1, items[i].caption);
    if (defaultItem == items[i].name) SetMenuDefaultItem(menu, static_cast<UINT>(i + 1), FALSE);
  }
  POINT at;
  GetCursorPos(&at);
  HWND owner = main_ ? main_->hwnd() : nullptr;
  SetForegroundWindow(owner);  // so the menu closes when the user clicks elsewhere
  const int chosen =
      ::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, owner, nullptr);
  PostMessageA(owner, WM_NULL, 0, 0);
  DestroyMenu(menu);
  return chosen > 0 && static_cast<std::size_t>(chosen) <= items.size()
             ? items[static_cast<std::size_t>(chosen) - 1].name
             : "";
}

void Toolkit::SetMousePointer(MousePointer pointer) {
  hourglass_ = pointer == MousePointer::Hourglass;
  SetCursor(LoadCursor(nullptr, hourglass_ ? IDC_WAIT : IDC_ARROW));
}

void Toolkit::AppActivate(const std::string& title) {
  if (HWND w = FindWindowA(nullptr, title.c_str())) SetForegroundWindow(w);
}

ScreenSize Toolkit::Screen() {
  return {MulDiv(GetSystemMetrics(SM_CXSCREEN), 1440, dpi_), MulDiv(GetSystemMetrics(SM_CYSCREEN), 1440, dpi_)};
}

}  // namespace tolvane::win32
