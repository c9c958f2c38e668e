#pragma once
// The picker window: plotter list, title strip and close spot.
#include <windows.h>

#include <string>

#include "catalogue/plotter_table.h"
#include "platform/base_window.h"
#include "platform/handles.h"
#include "platform/application.h"
#include "platform/twips.h"
#include "window/design.h"
#include "window/stored_position.h"

namespace wendrake {

class Wendrake_frm1 : public BaseWindow<Wendrake_frm1> {
 public:
  explicit Wendrake_frm1(Application& app);

  // Creates the window and the list with their design values, hidden.
  void Create();
  // The start-up sequence and its error trap. Afterwards the window is
  // either ready to show or already unloaded (Hwnd() null).
  void Form_Load();
  // Shows and paints the window, then gives the close spot its tooltip.
  void Show();

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  // Events.
  void Form_Unload();
  void lst_Wendraken_Click();
  void img_Move_MouseDown();
  void img_Close_Click();

  // Messages.
  LRESULT OnPaint();
  LRESULT OnEraseBackground(WPARAM dc);
  LRESULT OnCommand(WPARAM wParam);
  LRESULT OnSetCursor(WPARAM wParam, LPARAM lParam);
  LRESULT OnLeftButtonDown(POINT client);
  LRESULT OnLeftButtonUp(POINT client);
  LRESULT OnCaptureChanged();
  LRESULT OnActivate(WPARAM state);
  LRESULT OnClose();
  LRESULT OnDestroy();

  void LoadSequence();
  void Trap(const Failure& failure);
  void Unload(int exitCode);
  void MoveWindowTo(float left, float top);
  bool IsOnAnyMonitor(TwipsPoint position) const;
  void CreateListBox();
  void CreateCloseTooltip();
  // An image control's area in client pixels.
  RECT ImageArea(const TwipsRect& control) const;

  Application& app_;

  // The catalogue; row k of the list shows Plotters[k].
  PlotterTable Plotters;
  std::wstring CommonDataPath;

  HWND lst_Wendraken = nullptr;
  WindowHandle closeTooltip_;
  // Windowless image controls: areas of the window in twips.
  TwipsRect img_Move{design::kMoveLeft, design::kMoveTop, design::kMoveWidth, design::kMoveHeight};
  TwipsRect img_Close{design::kCloseLeft, design::kCloseTop, design::kCloseWidth,
                      design::kCloseHeight};

  GdiObject listFont_;
  // Loaded without LR_SHARED: ours to delete, like the font.
  GdiObject background_;
  GdiObject titleStrip_;
  HCURSOR handCursor_ = nullptr;
  // The background is stretched once at start-up and kept at that size.
  SIZE backgroundSize_{};

  // A failed start must not overwrite the position remembered from the
  // last run with the design position.
  bool positionRestored_ = false;
  bool closePressed_ = false;
  int exitCode_ = 0;
};

}  // namespace wendrake
