// TTimer: a message timer on the GUI thread. OnTimer runs from the thread's
// message loop (WM_TIMER on a hidden message-only window), every Interval
// milliseconds while Enabled; an Interval of 0 keeps it silent. A timer may
// be destroyed from inside its own OnTimer.
//
//   auto* t = new gui::TTimer(owner);   // the owner frees it
//   t->SetInterval(40);
//   t->OnTimer = [](gui::TObject*) { ... };
//   t->SetEnabled(true);
#pragma once

#include <windows.h>

#include "common/win32_handles.h"
#include "gui/component.h"

namespace gui {

class TTimer : public TComponent {
  Q_GUI_CLASS(TTimer, TComponent)

 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned ms);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);

  TNotifyEvent OnTimer;

  q::Error SetProperty(std::string_view name, const TValue& value) override;
  void Loaded() override;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void Update();

  unsigned interval_ = 1000;
  bool enabled_ = true;
  bool running_ = false;
  q::WindowHandle window_;
};

}  // namespace gui
