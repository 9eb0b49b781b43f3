// The Windows program: the platform services, the main window drawn from its table, the
// 50 ms timer and the serial notifications, all turned into the core's handlers.
#include "windows/Win32.h"

#include <commctrl.h>
#include <shellapi.h>

#include <memory>

#include "app/Tolvane.h"
#include "common/Text.h"
#include "serialsettings/DeviceAddress.h"
#include "serialsettings/DeviceSwitch.h"
#include "windows/Keyboard.h"
#include "windows/NetworkControl.h"
#include "windows/ProfileStore.h"
#include "windows/SendKeys.h"
#include "windows/SerialControl.h"
#include "windows/Services.h"
#include "windows/Toolkit.h"

namespace {

using namespace tolvane;

constexpr UINT kSerialMessage = WM_APP + 1;
constexpr UINT kIconMessage = WM_APP + 2;  // the notification icon's mouse message in lParam
constexpr UINT_PTR kTimer1 = 1;
constexpr UINT_PTR kRetryTimer = 2;
constexpr UINT_PTR kIconTimer = 3;
constexpr UINT kSocketMessage = WM_APP + 3;
constexpr UINT kLookupMessage = WM_APP + 4;
constexpr UINT_PTR kNetworkTimer = 4;

ProgramInfo DescribeProgram(const char* arguments) {
  wchar_t path[MAX_PATH] = L"";
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::string full = win32::Utf8FromWide(path);
  const auto slash = full.find_last_of('\\');
  std::string folder = slash == std::string::npos ? "." : full.substr(0, slash);
  if (folder.size() == 2 && folder[1] == ':') folder += '\\';  // a drive's root keeps its backslash
  std::string name = slash == std::string::npos ? full : full.substr(slash + 1);
  if (const auto dot = name.find_last_of('.'); dot != std::string::npos) name.resize(dot);
  return {folder, name, arguments ? arguments : "", "", Program::Windows};
}

std::int16_t StateOf(WPARAM sizeKind) {
  if (sizeKind == SIZE_MINIMIZED) return kMinimized;
  if (sizeKind == SIZE_MAXIMIZED) return kMaximized;
  return kNormal;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int) {
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  const win32::ProgramIcons icons = win32::LoadProgramIcons(instance);
  HICON icon = icons.large;

  win32::SerialControl serial;
  const FrontEndSettings* settings = nullptr;  // the application's, loaded before ComPort opens a port
  // A Device that names a network address is reached over the network, whatever ComPort says.
  win32::NetworkControl network([&settings] { return settings->device; });
  DeviceSwitch device(serial, network, [&settings] { return IsNetworkAddress(settings->device); });
  win32::SendKeys sendKeys;
  win32::Sound sound;
  win32::ActiveWindow activeWindow;
  win32::Clock clock;
  win32::Keyboard keyboard;
  win32::ProfileStore profileStore;
  win32::StartupEntryStore startupEntries;
  win32::Toolkit toolkit(instance, icon);
  win32::MessageBox messageBox;
  win32::NotifyIcon notifyIcon(kIconMessage);
  win32::Shell shell;
  win32::SingleInstance singleInstance;
  win32::PortMap portMap;
  win32::SystemNotices notices;  // after the toolkit: the window it registers for goes after it
  const Platform platform{device,     sendKeys,     sound,          activeWindow, clock,
                          keyboard,   profileStore, startupEntries, toolkit,      messageBox,
                          notifyIcon, shell,        singleInstance, &portMap,     &notices};
  auto app = std::make_unique<Tolvane>(platform);
  settings = &app->frontEnd();
  MainForm& form = app->mainForm();
  const ProgramInfo program = DescribeProgram(arguments);
  const double twipsPerPixel = 1440.0 / toolkit.Dpi();

  // Explorer broadcasts this when it starts again; its notification area starts empty.
  const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");

  HWND main = nullptr;
  main = toolkit.CreateMainWindow(form, [&](UINT message, WPARAM w, LPARAM l, LRESULT& result) {
    result = 0;
    if (message == taskbarCreated && taskbarCreated != 0) {
      app->window().TaskbarCreated();
      return true;
    }
    switch (message) {
      case WM_QUERYENDSESSION:
        app->QueryEndSession();
        result = TRUE;
        return true;
      case WM_ENDSESSION:
        // The process may be ended as soon as this returns: shut down now.
        app->EndSession(w != FALSE);
        toolkit.AfterEvent();
        return true;
      case WM_TIMER:
        if (w == kTimer1)
          app->TickTimer_Tick();
        else if (w == kRetryTimer)
          app->RetryTimer_Tick();
        else if (w == kIconTimer)
          app->IconTimer_Tick();
        else if (w == kNetworkTimer)
          network.Tick();
        else
          return false;
        toolkit.AfterEvent();
        return true;
      case WM_WTSSESSION_CHANGE:
      case WM_POWERBROADCAST:
        notices.Handle(message, w);
        toolkit.AfterEvent();
        result = message == WM_POWERBROADCAST;  // TRUE: no objection to any power change
        return true;
      case WM_DEVICECHANGE:
        serial.DeviceChange(w, l);
        toolkit.AfterEvent();
        result = TRUE;  // a removal asked for is never refused
        return true;
      case kSerialMessage:
        serial.Deliver(static_cast<std::int16_t>(w), l);
        toolkit.AfterEvent();
        return true;
      case kSocketMessage:
        network.SocketEvent(w, l);
        toolkit.AfterEvent();
        return true;
      case kLookupMessage:
        network.LookupDone(l);
        toolkit.AfterEvent();
        return true;
      case WM_SIZE: {
        // The user's own minimise or restore. Changes the program makes are handled already,
        // and a hidden window's state is what the program says it is.
        const std::int16_t state = StateOf(w);
        if (toolkit.ApplyingMainState() || !IsWindowVisible(main) || state == form.windowState) return false;
        form.windowState = state;
        form.visible = true;  // the system's own restore shows a hidden window
        app->window().Form_Resize();
        toolkit.ApplyMainState(form.windowState, form.visible);
        toolkit.AfterEvent();
        return false;
      }
      case WM_MOVE: {
        RECT r;
        if (!IsIconic(form.hWnd ? reinterpret_cast<HWND>(form.hWnd) : nullptr) &&
            GetWindowRect(reinterpret_cast<HWND>(form.hWnd), &r)) {
          form.left = static_cast<int>(r.left * twipsPerPixel);
          form.top = static_cast<int>(r.top * twipsPerPixel);
        }
        return false;
      }
      case kIconMessage:
        if (l == WM_LBUTTONDBLCLK)
          app->window().Icon_DoubleClick();
        else if (l == WM_RBUTTONUP)
          app->window().Icon_MenuRequest();
        else
          return true;  // other buttons and moves over the icon do nothing
        toolkit.AfterEvent();
        return true;
      default: return false;
    }
  });

  form.hWnd = reinterpret_cast<WindowHandle>(main);
  messageBox.owner = form.hWnd;
  serial.SetNotifyWindow(main, kSerialMessage);
  network.SetNotifyWindow(main, kSocketMessage, kLookupMessage, kNetworkTimer);
  form.captionChanged = [main](const std::string& caption) { SetWindowTextA(main, caption.c_str()); };
  form.stateChanged = [&] { toolkit.ApplyMainState(form.windowState, form.visible); };
  form.TickTimer.changed = [&] {
    if (form.TickTimer.enabled)
      SetTimer(main, kTimer1, static_cast<UINT>(form.TickTimer.interval), nullptr);
    else
      KillTimer(main, kTimer1);
  };
  form.TickTimer.changed();
  form.RetryTimer.changed = [&] {
    if (form.RetryTimer.enabled)
      SetTimer(main, kRetryTimer, static_cast<UINT>(form.RetryTimer.interval), nullptr);
    else
      KillTimer(main, kRetryTimer);
  };
  form.IconTimer.changed = [&] {
    if (form.IconTimer.enabled)
      SetTimer(main, kIconTimer, static_cast<UINT>(form.IconTimer.interval), nullptr);
    else
      KillTimer(main, kIconTimer);
  };
  const std::wstring help = win32::WideFromUtf8(JoinPath(program.folder, "Tolvane.chm"));
  // On this thread, which the shell service has put in a single-threaded apartment.
  toolkit.onHelp = [main, help] { ShellExecuteW(main, L"open", help.c_str(), nullptr, nullptr, SW_SHOWNORMAL); };

  if (!app->Form_Load(program, reinterpret_cast<IconHandle>(icons.small))) return 0;
  toolkit.ApplyMainState(form.windowState, form.visible);
  toolkit.AfterEvent();

  MSG msg;
  while (form.loaded && GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (toolkit.PreTranslate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  app->Form_Unload();
  KillTimer(main, kTimer1);
  app.reset();  // before the window and the serial control go
  return 0;
}
