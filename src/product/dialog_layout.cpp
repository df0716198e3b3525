#include "product/dialog_layout.h"

namespace product {

std::string LayoutString(std::string_view text) {
  std::string out(layout_detail::Quote(text, nullptr), '\0');
  layout_detail::Quote(text, out.data());
  return out;
}

std::string DialogLayout(std::string_view formClass, const AnswerButtons& buttons) {
  const auto pieces = layout_detail::Pieces(formClass, buttons);
  std::string out;
  out.reserve(layout_detail::Size(pieces));
  for (std::string_view piece : pieces) out += piece;
  return out;
}

}  // namespace product
