// The installer dialog's layout text, one source for the installer (shaped
// answer buttons) and the framework's demo (plain push buttons): the same
// panels, labels, progress bar and texts, with the answer buttons' class and
// properties supplied by the caller.
#pragma once

#include <string>
#include <string_view>

namespace product {

// The two answer buttons, <namePrefix>SI (Yes, the default) and
// <namePrefix>NO, as objects of `className`. The property texts are layout
// lines ("Name = value", one per line), placed after each button's caption,
// tab order and font colour: `yes` and `no` for one button, `shared` for both.
struct AnswerButtons {
  std::string_view className;
  std::string_view namePrefix;
  std::string_view yes;
  std::string_view no;
  std::string_view shared;
};

// The layout of the dialog (outer object Form3 of class `formClass`), with
// the product's built-in texts and the maker's name in place.
std::string DialogLayout(std::string_view formClass, const AnswerButtons& buttons);

// `text` as a layout string: quoted pieces ('' for a quote) and #nn for
// control characters, so line breaks survive.
std::string LayoutString(std::string_view text);

}  // namespace product
