#include "gui/timer.h"

namespace gui {
namespace {

constexpr const char* kTimerClass = "Q.Timer";
constexpr UINT_PTR kTimerId = 1;

}  // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner) { Update(); }

TTimer::~TTimer() {
  // Destroying the window kills its timer; a WM_TIMER already queued for it
  // is dropped with it.
  if (window_) ::SetWindowLongPtrA(window_.Get(), GWLP_USERDATA, 0);
}

LRESULT CALLBACK TTimer::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_TIMER && wParam == kTimerId) {
    auto* timer = reinterpret_cast<TTimer*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    // The event may destroy the timer: nothing of it is touched afterwards.
    if (timer && timer->OnTimer) timer->OnTimer(timer);
    return 0;
  }
  return ::DefWindowProcA(hwnd, msg, wParam, lParam);
}

void TTimer::Update() {
  if (IsLoading()) return;
  bool want = enabled_ && interval_ > 0;
  if (!want) {
    if (running_ && window_) ::KillTimer(window_.Get(), kTimerId);
    running_ = false;
    return;
  }
  if (!window_) {
    HINSTANCE inst = ::GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    if (!::GetClassInfoExA(inst, kTimerClass, &wc)) {
      wc.lpfnWndProc = &TTimer::WindowProc;
      wc.hInstance = inst;
      wc.lpszClassName = kTimerClass;
      ::RegisterClassExA(&wc);
    }
    window_.Reset(
        ::CreateWindowExA(0, kTimerClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, inst, nullptr));
    if (!window_) return;
    ::SetWindowLongPtrA(window_.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  // SetTimer on the same id replaces the interval and restarts the count.
  running_ = ::SetTimer(window_.Get(), kTimerId, interval_, nullptr) != 0;
}

void TTimer::SetInterval(unsigned ms) {
  if (ms == interval_) return;
  interval_ = ms;
  Update();
}

void TTimer::SetEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  Update();
}

void TTimer::Loaded() {
  TComponent::Loaded();
  Update();
}

q::Error TTimer::SetProperty(std::string_view name, const TValue& v) {
  static constexpr const char* kNames[] = {"Interval", "Enabled"};
  const int i = IndexOf(kNames, name);
  if (i == 0) {
    int ms = 0;
    if (q::Error e = v.ToInt(ms)) return e;
    if (ms < 0) return q::Error::Fail("negative interval");
    SetInterval(static_cast<unsigned>(ms));
    return {};
  }
  if (i == 1) {
    bool b = false;
    if (q::Error e = v.ToBool(b)) return e;
    SetEnabled(b);
    return {};
  }
  return TComponent::SetProperty(name, v);
}

}  // namespace gui
