#include "windows/Win32.h"

#include "windows/FormWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

namespace tolvane::win32 {
namespace {

constexpr const char* kClassName = "TolvaneForm";
constexpr int kFirstControlId = 100;
#ifndef WM_DPICHANGED
constexpr UINT WM_DPICHANGED = 0x02E0;
#endif

// The DPI of the monitor the window is on, where the system tells it (Windows 10 1607 on); 0
// elsewhere, where every window has the system's.
int WindowDpi(HWND hwnd) {
  using Get = UINT(WINAPI*)(HWND);
  static const auto get =
      reinterpret_cast<Get>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  return get ? static_cast<int>(get(hwnd)) : 0;
}

// The outer size for a client area, at a DPI where the system can say it.
void AdjustForDpi(RECT& r, DWORD style, bool menu, DWORD exStyle, int dpi) {
  using Adjust = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static const auto adjust = reinterpret_cast<Adjust>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "AdjustWindowRectExForDpi")));
  if (!adjust || !adjust(&r, style, menu, exStyle, static_cast<UINT>(dpi)))
    AdjustWindowRectEx(&r, style, menu, exStyle);
}

void RegisterFormClass(HINSTANCE instance, HICON icon, WNDPROC proc) {
  static bool registered = false;
  if (registered) return;
  WNDCLASSEXA wc;
  ZeroMemory(&wc, sizeof wc);
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hIcon = icon;
  wc.hIconSm = nullptr;  // the system takes the small size from the same resource
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  RegisterClassExA(&wc);
  registered = true;
}

// An edit control ends its text at a 0; a received 0 shows as the blank the OEM font has
// for it, and the rest of the record stays visible.
std::string Displayable(std::string text) {
  for (char& c : text)
    if (c == '\0') c = ' ';
  return text;
}

// A one-line box shows a few dozen characters. Past a few thousand, the edit control lays the
// line out again on every change and paint in time that grows with the square of its length (a
// 64 KiB record took 6.5 s a time under Wine, the window held all the while), so a read-only box
// shows the start of a longer text; the program keeps it whole.
constexpr std::size_t kShownAtMost = 4096;

// A control's text as the program keeps it, in its byte code page.
std::string WindowText(HWND hwnd) {
  const int n = GetWindowTextLengthW(hwnd);
  std::wstring s(static_cast<std::size_t>(n) + 1, L'\0');
  s.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, s.data(), n + 1)));
  return BytesFromWide(s);
}

void SetText(HWND hwnd, const std::string& bytes) { SetWindowTextW(hwnd, WideFromBytes(bytes).c_str()); }

}  // namespace

FormWindow::FormWindow(Toolkit& toolkit, Form& form, HWND owner, Toolkit::MessageHook hook)
    : toolkit_(toolkit), form_(form), hook_(std::move(hook)), dpi_(toolkit.Dpi()) {
  RegisterFormClass(toolkit.instance(), toolkit.icon(), Proc);
  const FormSpec& spec = form.Spec();
  DWORD style = WS_CAPTION | WS_SYSMENU;
  DWORD exStyle = WS_EX_CONTROLPARENT;
  if (spec.border == BorderStyle::FixedDialog) exStyle |= WS_EX_DLGMODALFRAME;
  if (spec.minButton) style |= WS_MINIMIZEBOX;
  if (spec.maxButton) style |= WS_MAXIMIZEBOX;
  if (spec.showInTaskbar && !owner) exStyle |= WS_EX_APPWINDOW;
  style_ = style;
  exStyle_ = exStyle;
  if (spec.background != kSystemFace) background_ = CreateSolidBrush(spec.background);
  face_ = GetSysColorBrush(COLOR_BTNFACE);

  HMENU menu = spec.menus.empty() ? nullptr : CreateMenuBar();
  RECT r{0, 0, Px(spec.clientWidth), Px(spec.clientHeight)};
  AdjustWindowRectEx(&r, style, menu != nullptr, exStyle);
  const int width = r.right - r.left;
  const int height = form.outerHeight > 0 ? Px(form.outerHeight) : r.bottom - r.top;
  int x = 0, y = 0;
  if (form.left >= 0 && form.top >= 0) {
    x = Px(form.left);
    y = Px(form.top);
  } else {
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    x = work.left + (work.right - work.left - width) / 2;
    y = work.top + (work.bottom - work.top - height) / 2;
  }
  hwnd_ = CreateWindowExA(exStyle, kClassName, form.caption.c_str(), style, x, y, width, height, owner, menu,
                          toolkit.instance(), this);
  shownCaption_ = form.caption;
  CreateControls();
  // Made on a monitor of another scale than the system's.
  if (const int dpi = WindowDpi(hwnd_); dpi > 0 && dpi != dpi_) Rescale(dpi, nullptr);
  Sync();
}

FormWindow::~FormWindow() {
  if (hwnd_) {
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
  if (background_) DeleteObject(background_);
}

HMENU FormWindow::CreateMenuBar() {
  const auto& menus = form_.Spec().menus;
  HMENU bar = CreateMenu();
  for (std::size_t i = 0; i < menus.size(); ++i) {
    const MenuSpec& top = menus[i];
    if (top.parent || !top.visible) continue;
    const int id = kFirstMenuId + static_cast<int>(i);
    bool hasItems = false;
    for (const auto& m : menus) hasItems = hasItems || (m.parent && std::string(m.parent) == top.name);
    if (!hasItems) {
      AppendMenuA(bar, MF_STRING, static_cast<UINT_PTR>(id), top.caption);
      continue;
    }
    HMENU popup = CreatePopupMenu();
    for (std::size_t j = 0; j < menus.size(); ++j) {
      const MenuSpec& m = menus[j];
      if (!m.parent || std::string(m.parent) != top.name) continue;
      if (std::string(m.caption) == "-")
        AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
      else
        AppendMenuA(popup, MF_STRING, static_cast<UINT_PTR>(kFirstMenuId + static_cast<int>(j)), m.caption);
    }
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), top.caption);
  }
  return bar;
}

POINT FormWindow::Origin(const ControlSpec& c) const {
  POINT p{c.left, c.top};
  for (const char* container = c.container; container;) {
    const ControlSpec* frame = form_.Spec().Find(container);
    if (!frame) break;
    p.x += frame->left;
    p.y += frame->top;
    container = frame->container;
  }
  return p;
}

bool FormWindow::Visible(const ControlSpec& c) const {
  if (!form_.ControlVisible(c)) return false;
  if (c.container) {
    const ControlSpec* frame = form_.Spec().Find(c.container);
    if (frame && !Visible(*frame)) return false;
  }
  return true;
}

void FormWindow::CreateControls() {
  std::vector<const ControlSpec*> order;
  for (const auto& c : form_.Spec().controls) order.push_back(&c);
  // Creation order is the tab order.
  std::stable_sort(order.begin(), order.end(),
                   [](const ControlSpec* a, const ControlSpec* b) { return a->tabIndex < b->tabIndex; });
  int id = kFirstControlId;
  for (const ControlSpec* c : order) {
    const char* cls = "STATIC";
    DWORD style = WS_CHILD;
    DWORD exStyle = 0;
    const char* text = c->text;
    switch (c->kind) {
      case ControlKind::Label:
        style |= SS_NOPREFIX | ((c->flags & kCentered) ? SS_CENTER : SS_LEFT) | ((c->flags & kLink) ? SS_NOTIFY : 0);
        break;
      case ControlKind::Button:
        cls = "BUTTON";
        style |= WS_TABSTOP | ((c->flags & kDefaultButton) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        break;
      case ControlKind::CheckBox:
        cls = "BUTTON";
        style |= WS_TABSTOP | BS_3STATE;
        break;
      case ControlKind::OptionButton:
        cls = "BUTTON";
        style |= WS_TABSTOP | BS_RADIOBUTTON;
        break;
      case ControlKind::Frame:
        cls = "BUTTON";
        style |= BS_GROUPBOX;
        break;
      case ControlKind::TextBox:
      case ControlKind::MaskedTextBox:
        cls = "EDIT";
        style |= WS_TABSTOP | ES_AUTOHSCROLL | ((c->flags & kReadOnly) ? ES_READONLY : 0) |
                 (c->kind == ControlKind::MaskedTextBox ? ES_PASSWORD : 0);
        if (!(c->flags & kNoBorder)) exStyle |= WS_EX_CLIENTEDGE;
        break;
      case ControlKind::DropDownList:
        cls = "COMBOBOX";
        style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
        break;
      case ControlKind::DropDownCombo:
        cls = "COMBOBOX";
        style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL;
        break;
      case ControlKind::Picture:
        style |= SS_CENTER | SS_CENTERIMAGE | (std::string(c->text) == "icon" ? SS_ICON : 0);
        text = std::string(c->text) == "icon" ? "" : "TOLVANE";
        break;
    }
    HFONT font = FontOf(*c);
    const RECT b = Bounds(*c);
    HWND h = CreateWindowExA(exStyle, cls, text, style, b.left, b.top, b.right - b.left, b.bottom - b.top, hwnd_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), toolkit_.instance(), nullptr);
    SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (c->kind == ControlKind::MaskedTextBox) SendMessageA(h, EM_SETPASSWORDCHAR, '*', 0);
    if (c->kind == ControlKind::Picture && std::string(c->text) == "icon")
      SendMessageA(h, STM_SETICON, reinterpret_cast<WPARAM>(toolkit_.icon()), 0);
    items_.push_back({c, h, id, c->text ? c->text : "", {}});
    ++id;
  }
}

HFONT FormWindow::FontOf(const ControlSpec& c) const {
  return toolkit_.Font(c.font ? *c.font : form_.Spec().font, dpi_);
}

RECT FormWindow::Bounds(const ControlSpec& c) const {
  const POINT at = Origin(c);
  int width = Px(c.width), height = Px(c.height);
  if (c.flags & kAutoSize) {
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old = SelectObject(dc, FontOf(c));
    SIZE size{0, 0};
    GetTextExtentPoint32A(dc, c.text, static_cast<int>(std::string(c.text).size()), &size);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    width = size.cx;
    height = size.cy;
  }
  if (c.kind == ControlKind::DropDownList || c.kind == ControlKind::DropDownCombo) height += Px(2400);
  return {Px(at.x), Px(at.y), Px(at.x) + width, Px(at.y) + height};
}

void FormWindow::Rescale(int dpi, const RECT* suggested) {
  dpi_ = dpi;
  for (const auto& item : items_) {
    const RECT b = Bounds(*item.spec);
    SetWindowPos(item.hwnd, nullptr, b.left, b.top, b.right - b.left, b.bottom - b.top, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(item.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(*item.spec)), TRUE);
  }
  if (suggested) {
    SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    RECT r{0, 0, Px(form_.Spec().clientWidth), Px(form_.Spec().clientHeight)};
    AdjustForDpi(r, style_, GetMenu(hwnd_) != nullptr, exStyle_, dpi);
    const int height = form_.outerHeight > 0 ? Px(form_.outerHeight) : r.bottom - r.top;
    SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  }
  InvalidateRect(hwnd_, nullptr, TRUE);
}

FormWindow::Item* FormWindow::ById(int id) {
  for (auto& i : items_)
    if (i.id == id) return &i;
  return nullptr;
}

FormWindow::Item* FormWindow::ByHwnd(HWND hwnd) {
  for (auto& i : items_)
    if (i.hwnd == hwnd) return &i;
  return nullptr;
}

void FormWindow::Sync() {
  if (!hwnd_) return;
  syncing_ = true;
  if (form_.caption != shownCaption_) {
    SetWindowTextA(hwnd_, form_.caption.c_str());
    shownCaption_ = form_.caption;
  }
  for (auto& item : items_) {
    const ControlSpec& c = *item.spec;
    const std::string_view name = c.name;
    const int visible = Visible(c) ? 1 : 0;
    if (visible != item.shownVisible) {
      ShowWindow(item.hwnd, visible ? SW_SHOWNA : SW_HIDE);
      item.shownVisible = visible;
    }
    if (c.kind == ControlKind::CheckBox || c.kind == ControlKind::OptionButton) {
      // An element of a control array is known by its name and index, "PortOption(3)".
      const CheckBox* box =
          c.index >= 0 ? form_.Check(std::string(name) + "(" + std::to_string(c.index) + ")") : form_.Check(name);
      const int value = box ? box->value : 0;
      if (value != item.shownCheck) {
        SendMessageA(item.hwnd, BM_SETCHECK, value == 2 ? BST_INDETERMINATE : value ? BST_CHECKED : BST_UNCHECKED, 0);
        item.shownCheck = value;
      }
      const int enabled = box && !box->enabled ? 0 : 1;
      if (enabled != item.shownEnabled) {
        EnableWindow(item.hwnd, enabled);
        item.shownEnabled = enabled;
      }
    } else if (ListBox* list = form_.List(name)) {
      // The control itself is asked, not a cache: it can lose its rows before it is first shown.
      const auto count = static_cast<std::size_t>(SendMessageA(item.hwnd, CB_GETCOUNT, 0, 0));
      if (list->items != item.shownItems || count != list->items.size()) {
        SendMessageA(item.hwnd, CB_RESETCONTENT, 0, 0);
        for (const auto& row : list->items)
          SendMessageA(item.hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
        item.shownItems = list->items;
      }
      if (list->listIndex != static_cast<int>(SendMessageA(item.hwnd, CB_GETCURSEL, 0, 0))) {
        SendMessageA(item.hwnd, CB_SETCURSEL, static_cast<WPARAM>(list->listIndex), 0);
        if (c.kind == ControlKind::DropDownCombo) item.shownText = WindowText(item.hwnd);
      }
      if (c.kind == ControlKind::DropDownCombo && list->text != item.shownText) {
        SetText(item.hwnd, list->text);
        item.shownText = list->text;
      }
      const int enabled = list->enabled ? 1 : 0;
      if (enabled != item.shownEnabled) {
        EnableWindow(item.hwnd, enabled);
        item.shownEnabled = enabled;
      }
    } else if (TextBox* box = form_.Text(name)) {
      if (box->text != item.shownText) {
        std::string shown = Displayable(box->text);
        if ((c.flags & kReadOnly) && shown.size() > kShownAtMost) shown.resize(kShownAtMost);
        SetText(item.hwnd, shown);
        item.shownText = box->text;
      }
    }
  }
  syncing_ = false;
}

// Enter and Escape press the default and the cancel button.
void FormWindow::ClickButton(std::uint32_t flag) {
  for (const auto& item : items_)
    if (item.spec->kind == ControlKind::Button && (item.spec->flags & flag) && Visible(*item.spec)) {
      form_.Click(item.spec->name, item.spec->index);
      return;
    }
}

void FormWindow::OnCommand(int id, int code) {
  if (id == IDOK) return ClickButton(kDefaultButton);
  if (id == IDCANCEL) return ClickButton(kCancelButton);
  if (id >= kFirstMenuId) {
    const auto& menus = form_.Spec().menus;
    const auto index = static_cast<std::size_t>(id - kFirstMenuId);
    if (index < menus.size()) form_.Click(menus[index].name);
    return;
  }
  Item* item = ById(id);
  if (!item || syncing_) return;
  const ControlSpec& c = *item->spec;
  switch (c.kind) {
    case ControlKind::Button:
      if (code == BN_CLICKED) form_.Click(c.name, c.index);
      break;
    case ControlKind::CheckBox:
      if (code == BN_CLICKED)
        if (CheckBox* box = form_.Check(c.name)) box->SetValue(box->value == 1 ? 0 : 1);
      break;
    case ControlKind::OptionButton:
      if (code == BN_CLICKED) form_.Click(c.name, c.index);
      break;
    case ControlKind::Label:
      if (code == STN_CLICKED) form_.Click(c.name, c.index);
      break;
    case ControlKind::TextBox:
    case ControlKind::MaskedTextBox:
      if (code == EN_CHANGE)
        if (TextBox* box = form_.Text(c.name)) box->text = item->shownText = WindowText(item->hwnd);
      break;
    case ControlKind::DropDownList:
    case ControlKind::DropDownCombo:
      if (ListBox* list = form_.List(c.name)) {
        if (code == CBN_SELCHANGE) {
          const int sel = static_cast<int>(SendMessageA(item->hwnd, CB_GETCURSEL, 0, 0));
          list->listIndex = static_cast<std::int16_t>(sel);
          if (c.kind == ControlKind::DropDownCombo && sel >= 0 && static_cast<std::size_t>(sel) < list->items.size())
            list->text = item->shownText = list->items[static_cast<std::size_t>(sel)];
          form_.Click(c.name, c.index);
        } else if (code == CBN_EDITCHANGE) {
          list->text = item->shownText = WindowText(item->hwnd);
        }
      }
      break;
    default: break;
  }
}

LRESULT CALLBACK FormWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
  return self->Handle(message, wParam, lParam);
}

LRESULT FormWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  if (hook_) {
    LRESULT result = 0;
    if (hook_(message, wParam, lParam, result)) return result;
  }
  switch (message) {
    case WM_DPICHANGED: Rescale(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam)); return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      toolkit_.AfterEvent();
      return 0;
    case WM_CLOSE:
      form_.Close();
      toolkit_.AfterEvent();
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      Item* item = ByHwnd(reinterpret_cast<HWND>(lParam));
      if (item && (item->spec->flags & kLink)) SetTextColor(dc, RGB(0, 0, 255));
      if (item && (item->spec->flags & kFaceColour)) {
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(face_);
      }
      if (background_ && (!item || item->spec->kind != ControlKind::TextBox)) {
        SetBkColor(dc, form_.Spec().background);
        return reinterpret_cast<LRESULT>(background_);
      }
      break;
    }
    case WM_ERASEBKGND:
      if (background_) {
        RECT r;
        GetClientRect(hwnd_, &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, background_);
        return 1;
      }
      break;
    case WM_SETCURSOR: {
      if (toolkit_.hourglass()) {
        SetCursor(LoadCursor(nullptr, IDC_WAIT));
        return TRUE;
      }
      Item* item = ByHwnd(reinterpret_cast<HWND>(wParam));
      if (item && (item->spec->flags & kLink)) {
        SetCursor(LoadCursor(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    }
    default: break;
  }
  return DefWindowProcA(hwnd_, message, wParam, lParam);
}

}  // namespace tolvane::win32
