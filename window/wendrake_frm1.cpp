#include "window/wendrake_frm1.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "catalogue/read_plotter_list.h"
#include "host/plotter_handoff.h"
#include "platform/conversions.h"
#include "platform/registry.h"
#include "platform/wendrake_bas1.h"
#include "window/resource_ids.h"

namespace wendrake {
namespace {

constexpr wchar_t kClassName[] = L"Wendrake_frm1";
constexpr int kListId = 100;
constexpr int kAllUsersAppData = 35;  // CSIDL_COMMON_APPDATA
constexpr float kFontHeight = 160;    // 8 point, in twips
// The pictures' own sizes in pixels.
constexpr SIZE kBackgroundPicture{85, 65};
constexpr SIZE kStripPicture{85, 11};

HINSTANCE Module() {
  return ::GetModuleHandleW(nullptr);
}

HBITMAP LoadBitmapResource(int id) {
  return static_cast<HBITMAP>(
      ::LoadImageW(Module(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

// Draws a bitmap through a memory DC that is cleaned up on every path.
void DrawPicture(HDC target, HGDIOBJ picture, SIZE pictureSize, RECT area) {
  const HDC source = ::CreateCompatibleDC(target);
  if (source == nullptr) return;
  const HGDIOBJ previous = ::SelectObject(source, picture);
  ::SetStretchBltMode(target, COLORONCOLOR);
  ::StretchBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, source,
               0, 0, pictureSize.cx, pictureSize.cy, SRCCOPY);
  ::SelectObject(source, previous);
  ::DeleteDC(source);
}

}  // namespace

bool Wendrake_frm1::IsOnAnyMonitor(TwipsPoint position) const {
  RECT outer{};
  ::GetWindowRect(Hwnd(), &outer);
  const int left = PixelsX(position.Left);
  const int top = PixelsY(position.Top);
  const RECT placed{left, top, left + outer.right - outer.left, top + outer.bottom - outer.top};
  return ::MonitorFromRect(&placed, MONITOR_DEFAULTTONULL) != nullptr;
}

Wendrake_frm1::Wendrake_frm1(Application& app) : app_(app) {}

void Wendrake_frm1::Create() {
  background_.Reset(LoadBitmapResource(IDB_BACKGROUND));
  titleStrip_.Reset(LoadBitmapResource(IDB_TITLE_STRIP));
  handCursor_ = ::LoadCursorW(Module(), MAKEINTRESOURCEW(IDC_HAND_MOVE));

  WNDCLASSEXW wc{};
  wc.hIcon = ::LoadIconW(Module(), MAKEINTRESOURCEW(IDI_WENDRAKE));
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  RegisterWindowClass(wc);
  // A palette beside the CAD window: no frame, no taskbar button.
  CreateWindowOf(kClassName, kCaption, WS_POPUP | WS_CLIPCHILDREN, WS_EX_TOOLWINDOW, 0, 0,
                 PixelsX(design::kWindowWidth), PixelsY(design::kWindowHeight));
  CreateListBox();
}

void Wendrake_frm1::CreateListBox() {
  lst_Wendraken = ::CreateWindowExW(
      0, WC_LISTBOXW, nullptr, WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY,
      PixelsX(design::kListLeft), PixelsY(design::kListTop), PixelsX(design::kListWidth),
      PixelsY(design::kListHeight), Hwnd(), reinterpret_cast<HMENU>(kListId), Module(), nullptr);
  if (lst_Wendraken == nullptr) ThrowSystemError(::GetLastError());
  LOGFONTW font{};
  font.lfHeight = -PixelsY(kFontHeight);
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = CLEARTYPE_QUALITY;
  wcscpy_s(font.lfFaceName, L"MS Shell Dlg 2");
  listFont_.Reset(::CreateFontIndirectW(&font));
  ::SendMessageW(lst_Wendraken, WM_SETFONT, reinterpret_cast<WPARAM>(listFont_.Get()), FALSE);
  // One row per 240 twips, so that the list height for n entries shows
  // exactly n rows; the list has no border that would cost a row.
  ::SendMessageW(lst_Wendraken, LB_SETITEMHEIGHT, 0, PixelsY(design::kRowHeight));
}

void Wendrake_frm1::CreateCloseTooltip() {
  // Not owned by the picker: Wine stacks an owner below its owned popups and
  // then drops the owner's topmost flag.
  closeTooltip_.Reset(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                                        nullptr, Module(), nullptr));
  if (!closeTooltip_) return;  // the window works without its tooltip
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_SUBCLASS;
  tool.hwnd = Hwnd();
  tool.uId = 1;
  tool.rect = ImageArea(img_Close);
  tool.lpszText = const_cast<wchar_t*>(L"Beenden");
  ::SendMessageW(closeTooltip_.Get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

RECT Wendrake_frm1::ImageArea(const TwipsRect& control) const {
  const int left = PixelsX(control.Left);
  const int top = PixelsY(control.Top);
  return RECT{left, top, left + PixelsX(control.Width), top + PixelsY(control.Height)};
}

void Wendrake_frm1::Show() {
  ::ShowWindow(Hwnd(), SW_SHOW);
  // The tooltip waits until the window is painted: nobody can point at the
  // close spot before, and creating it costs more than the rest of the show.
  ::UpdateWindow(Hwnd());
  CreateCloseTooltip();
}

void Wendrake_frm1::Form_Load() {
  try {
    LoadSequence();
  } catch (...) {
    Trap(CurrentFailure());
  }
}

void Wendrake_frm1::LoadSequence() {
  Wendrake_bas1::EndIfPrevInstance(app_);
  CommonDataPath = Wendrake_bas1::GetSpecialFolderPath(kAllUsersAppData);
  const int16_t count = ReadPlotterList(CommonDataPath, lst_Wendraken, Plotters);
  const double ScaleFactor = Wendrake_bas1::TwipsToPixelsX(15);

  // Each property is read back before the next change, as the list snaps
  // its height to whole rows and every position to whole pixels.
  TwipsRect list = GetTwipsRect(lst_Wendraken);
  list.Height = CheckedMul16(count, design::kRowHeight);
  SetTwipsRect(lst_Wendraken, list);
  list = GetTwipsRect(lst_Wendraken);
  list.Width = ToSingle(list.Width / ScaleFactor);
  SetTwipsRect(lst_Wendraken, list);
  list = GetTwipsRect(lst_Wendraken);
  list.Left = ToSingle(list.Left / ScaleFactor);
  SetTwipsRect(lst_Wendraken, list);

  TwipsRect window = GetTwipsRect(Hwnd());
  window.Width = ToSingle(window.Width / ScaleFactor);
  SetTwipsRect(Hwnd(), window);
  window = GetTwipsRect(Hwnd());
  window.Height = GetTwipsRect(lst_Wendraken).Height + design::kWindowExtraHeight;
  SetTwipsRect(Hwnd(), window);

  // The background, stretched to the inner width and the outer height.
  RECT client{};
  ::GetClientRect(Hwnd(), &client);
  RECT outer{};
  ::GetWindowRect(Hwnd(), &outer);
  backgroundSize_ = SIZE{client.right - client.left, outer.bottom - outer.top};
  ::InvalidateRect(Hwnd(), nullptr, TRUE);

  img_Move.Left = ToSingle(img_Move.Left / ScaleFactor);
  img_Close.Left = ToSingle(img_Close.Left / ScaleFactor);

  const std::wstring left = GetSetting(kPositionApplication, kPositionSection, L"Left");
  const std::wstring top = GetSetting(kPositionApplication, kPositionSection, L"Top");
  const std::optional<TwipsPoint> stored = StoredPosition(left, top);
  if (stored && IsOnAnyMonitor(*stored)) {
    MoveWindowTo(stored->Left, stored->Top);
  } else {
    MoveWindowTo(ScreenWidthTwips() / 2, ScreenHeightTwips() / 2);
  }
  positionRestored_ = true;

  Wendrake_bas1::SetTopMost(Hwnd());
}

void Wendrake_frm1::Trap(const Failure& failure) {
  if (failure.Code() == code::kFileNotFound) {
    ShowMessage(Hwnd(), L"Datei ZEPLO_PLOTTER.TXT nicht gefunden!", L"Datei öffnen_Error");
  } else {
    ShowMessage(Hwnd(), L"Load_Error! Error number:" + std::to_wstring(failure.Code()),
                L"Load_Error");
  }
  Unload(1);
}

void Wendrake_frm1::MoveWindowTo(float left, float top) {
  TwipsRect window = GetTwipsRect(Hwnd());
  window.Left = left;
  window.Top = top;
  SetTwipsRect(Hwnd(), window);
}

void Wendrake_frm1::Unload(int exitCode) {
  exitCode_ = exitCode;
  Form_Unload();
}

void Wendrake_frm1::Form_Unload() {
  if (positionRestored_) {
    const TwipsRect window = GetTwipsRect(Hwnd());
    SaveSetting(kPositionApplication, kPositionSection, L"Left", SingleToText(window.Left));
    SaveSetting(kPositionApplication, kPositionSection, L"Top", SingleToText(window.Top));
  }
  // The program ends here: once the window is gone no other event runs.
  ::DestroyWindow(Hwnd());
}

void Wendrake_frm1::lst_Wendraken_Click() {
  const LRESULT row = ::SendMessageW(lst_Wendraken, LB_GETCURSEL, 0, 0);
  HandOffPlotter(Hwnd(), CommonDataPath, Plotters, static_cast<int16_t>(row));
}

void Wendrake_frm1::img_Move_MouseDown() {
  ::ReleaseCapture();
  // The system's own move loop, as for a press on a title bar; it returns
  // when the button is released.
  ::SendMessageA(Hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void Wendrake_frm1::img_Close_Click() {
  Unload(0);
}

LRESULT Wendrake_frm1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const POINT mouse{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (message) {
    case WM_PAINT: return OnPaint();
    case WM_ERASEBKGND: return OnEraseBackground(wParam);
    case WM_COMMAND: return OnCommand(wParam);
    case WM_SETCURSOR: return OnSetCursor(wParam, lParam);
    case WM_LBUTTONDOWN: return OnLeftButtonDown(mouse);
    case WM_LBUTTONUP: return OnLeftButtonUp(mouse);
    case WM_CAPTURECHANGED: return OnCaptureChanged();
    case WM_ACTIVATE: return OnActivate(wParam);
    case WM_SETFOCUS: return OnActivate(WA_ACTIVE);
    case WM_CLOSE: return OnClose();
    case WM_ENDSESSION: return wParam ? OnClose() : 0;
    case WM_DESTROY: return OnDestroy();
    default: return ::DefWindowProcW(Hwnd(), message, wParam, lParam);
  }
}

LRESULT Wendrake_frm1::OnPaint() {
  PAINTSTRUCT paint;
  const HDC dc = ::BeginPaint(Hwnd(), &paint);
  // Until start-up stretches it, the background shows at its own size.
  const SIZE size = backgroundSize_.cx > 0 ? backgroundSize_ : kBackgroundPicture;
  DrawPicture(dc, background_.Get(), kBackgroundPicture, RECT{0, 0, size.cx, size.cy});
  // The strip shows its picture unstretched, cut at the control's edges.
  const RECT area = ImageArea(img_Move);
  const SIZE shown{std::min<LONG>(kStripPicture.cx, area.right - area.left),
                   std::min<LONG>(kStripPicture.cy, area.bottom - area.top)};
  DrawPicture(dc, titleStrip_.Get(), shown,
              RECT{area.left, area.top, area.left + shown.cx, area.top + shown.cy});
  ::EndPaint(Hwnd(), &paint);
  return 0;
}

LRESULT Wendrake_frm1::OnEraseBackground(WPARAM dc) {
  // Once stretched, the background covers the whole window.
  if (backgroundSize_.cx > 0) return 1;
  return ::DefWindowProcW(Hwnd(), WM_ERASEBKGND, dc, 0);
}

LRESULT Wendrake_frm1::OnCommand(WPARAM wParam) {
  if (LOWORD(wParam) == kListId && HIWORD(wParam) == LBN_SELCHANGE) lst_Wendraken_Click();
  return 0;
}

LRESULT Wendrake_frm1::OnSetCursor(WPARAM wParam, LPARAM lParam) {
  if (reinterpret_cast<HWND>(wParam) != Hwnd() || LOWORD(lParam) != HTCLIENT) {
    return ::DefWindowProcW(Hwnd(), WM_SETCURSOR, wParam, lParam);
  }
  POINT mouse{};
  ::GetCursorPos(&mouse);
  ::ScreenToClient(Hwnd(), &mouse);
  const RECT closeArea = ImageArea(img_Close);
  const RECT moveArea = ImageArea(img_Move);
  const bool overStrip = !::PtInRect(&closeArea, mouse) && ::PtInRect(&moveArea, mouse);
  ::SetCursor(overStrip && handCursor_ ? handCursor_ : ::LoadCursorW(nullptr, IDC_ARROW));
  return TRUE;
}

// Only the left button moves the window or closes it.
LRESULT Wendrake_frm1::OnLeftButtonDown(POINT client) {
  // The close spot lies over the strip and takes the clicks there.
  const RECT closeArea = ImageArea(img_Close);
  if (::PtInRect(&closeArea, client)) {
    closePressed_ = true;
    ::SetCapture(Hwnd());
    return 0;
  }
  const RECT moveArea = ImageArea(img_Move);
  if (::PtInRect(&moveArea, client)) img_Move_MouseDown();
  return 0;
}

LRESULT Wendrake_frm1::OnLeftButtonUp(POINT client) {
  if (!closePressed_) return 0;
  closePressed_ = false;
  ::ReleaseCapture();
  // A click is a press and a release both on the spot.
  const RECT closeArea = ImageArea(img_Close);
  if (::PtInRect(&closeArea, client)) img_Close_Click();
  return 0;
}

LRESULT Wendrake_frm1::OnCaptureChanged() {
  closePressed_ = false;
  return 0;
}

LRESULT Wendrake_frm1::OnActivate(WPARAM state) {
  // The list is the one control that takes keys.
  if (LOWORD(state) != WA_INACTIVE) ::SetFocus(lst_Wendraken);
  return 0;
}

LRESULT Wendrake_frm1::OnClose() {
  Unload(0);
  return 0;
}

LRESULT Wendrake_frm1::OnDestroy() {
  closeTooltip_.Reset();
  ::PostQuitMessage(exitCode_);
  return 0;
}

}  // namespace wendrake
