#include "gui/color.h"

#include <windows.h>

namespace gui {

uint32_t ColorToRGB(TColor c) {
  if (IsSystemColor(c)) return static_cast<uint32_t>(::GetSysColor(c & 0xFF));
  return static_cast<uint32_t>(c);
}

bool ColorFromIdent(std::string_view ident, TColor& out) {
  struct Named {
    std::string_view name;
    TColor value;
  };
  static constexpr Named kNames[] = {
      {"clNone", clNone},
      {"clDefault", clDefault},
      {"clBlack", clBlack},
      {"clMaroon", clMaroon},
      {"clGreen", clGreen},
      {"clOlive", clOlive},
      {"clNavy", clNavy},
      {"clPurple", clPurple},
      {"clTeal", clTeal},
      {"clGray", clGray},
      {"clSilver", clSilver},
      {"clRed", clRed},
      {"clLime", clLime},
      {"clYellow", clYellow},
      {"clBlue", clBlue},
      {"clFuchsia", clFuchsia},
      {"clAqua", clAqua},
      {"clWhite", clWhite},
      {"clActiveCaption", clActiveCaption},
      {"clWindow", clWindow},
      {"clWindowFrame", clWindowFrame},
      {"clWindowText", clWindowText},
      {"clHighlight", clHighlight},
      {"clHighlightText", clHighlightText},
      {"clBtnFace", clBtnFace},
      {"clBtnShadow", clBtnShadow},
      {"clGrayText", clGrayText},
      {"clBtnText", clBtnText},
      {"clBtnHighlight", clBtnHighlight},
      {"cl3DDkShadow", cl3DDkShadow},
      {"cl3DLight", cl3DLight},
      {"clInfoText", clInfoText},
      {"clInfoBk", clInfoBk},
  };
  for (const Named& n : kNames) {
    if (n.name == ident) {
      out = n.value;
      return true;
    }
  }
  return false;
}

}  // namespace gui
