#include "gui/color.h"

#include <windows.h>

#include <algorithm>
#include <iterator>

namespace gui {

uint32_t ColorToRGB(TColor c) {
  if (IsSystemColor(c)) return static_cast<uint32_t>(::GetSysColor(c & 0xFF));
  return static_cast<uint32_t>(c);
}

bool ColorFromIdent(std::string_view ident, TColor& out) {
  // The names after their "cl", each ended by a space, in the values' order:
  // one string, not a table of pointers to the names.
  static constexpr std::string_view kNames =
      "None Default Black Maroon Green Olive Navy Purple Teal Gray Silver Red Lime Yellow Blue "
      "Fuchsia Aqua White ActiveCaption Window WindowFrame WindowText Highlight HighlightText "
      "BtnFace BtnShadow GrayText BtnText BtnHighlight 3DDkShadow 3DLight InfoText InfoBk ";
  static constexpr TColor kValues[] = {
      clNone,          clDefault,   clBlack,       clMaroon,     clGreen,        clOlive,
      clNavy,          clPurple,    clTeal,        clGray,       clSilver,       clRed,
      clLime,          clYellow,    clBlue,        clFuchsia,    clAqua,         clWhite,
      clActiveCaption, clWindow,    clWindowFrame, clWindowText, clHighlight,    clHighlightText,
      clBtnFace,       clBtnShadow, clGrayText,    clBtnText,    clBtnHighlight, cl3DDkShadow,
      cl3DLight,       clInfoText,  clInfoBk};
  static_assert(std::count(kNames.begin(), kNames.end(), ' ') == std::ssize(kValues));
  if (!ident.starts_with("cl")) return false;
  ident.remove_prefix(2);
  const char* name = kNames.data();
  for (TColor value : kValues) {
    size_t size = 0;
    while (name[size] != ' ') ++size;
    if (std::string_view(name, size) == ident) {
      out = value;
      return true;
    }
    name += size + 1;
  }
  return false;
}

}  // namespace gui
