// The message record a control's WndProc receives, and the framework's own
// notification messages.
//
// CM_* are sent (through Perform, or SendMessage where a window exists) by
// the framework to a control when something about it changed; CN_* are
// window messages the parent received on behalf of a child and reflects to
// it (WM_DRAWITEM arrives at the button as CN_DRAWITEM with the same
// wParam/lParam). Both ranges lie inside WM_APP..0xBFFF, so they may also be
// sent across threads. A control answers by setting TMessage::Result.
#pragma once

#include <windows.h>

namespace gui {

struct TMessage {
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
  LRESULT Result;
};

inline constexpr UINT CM_BASE = 0xB000;
inline constexpr UINT CM_DIALOGKEY = CM_BASE + 5;     // wParam: virtual key; Result 1 = handled
inline constexpr UINT CM_DIALOGCHAR = CM_BASE + 6;    // wParam: character; lParam: 1 with Alt
inline constexpr UINT CM_FOCUSCHANGED = CM_BASE + 7;  // 45063; lParam: the focused TWinControl*
inline constexpr UINT CM_VISIBLECHANGED = CM_BASE + 11;
inline constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;  // 45068
inline constexpr UINT CM_COLORCHANGED = CM_BASE + 13;
inline constexpr UINT CM_FONTCHANGED = CM_BASE + 14;  // 45070
inline constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
inline constexpr UINT CM_MOUSEENTER = CM_BASE + 19;  // 45075; lParam: the control
inline constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;  // 45076; lParam: the control
// CM_BASE + 100 and above are free for controls' private messages.
inline constexpr UINT CM_USER = CM_BASE + 100;

inline constexpr UINT CN_BASE = 0xBC00;
inline constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
inline constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
inline constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;        // 48171
inline constexpr UINT CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;  // 48172
inline constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
inline constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;

constexpr bool IsFrameworkMessage(UINT msg) { return msg >= CM_BASE && msg < CN_BASE + 0x400; }

}  // namespace gui
