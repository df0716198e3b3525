// The layout reader: builds a component tree from a layout text, the way a
// form describes itself:
//
//   object Form3: TForm3
//     ClientWidth = 630
//     Font.Style = [fsBold]
//     object Label1: TLabel
//       Align = alTop
//       Caption = 'first line'#13#10 +
//         'second line'
//     end
//   end
//
// Values: integers (-12, $FF), reals (2.0943951023931957), strings ('it''s',
// with #13 character codes and + joining pieces), identifiers (alTop, True,
// clBlue) and sets ([fsBold, fsUnderline]). "//" starts a comment.
//
// The outer object is `root` (its class must match); every nested object is
// made by `create` from its class name (null: unknown class), named, given
// the enclosing object (SetParentComponent), marked as loading, and then
// gets its properties in the order written. `created` lists the objects in
// reading order, root first. A fault in the text stops the reading with its
// line number; what was created so far stays owned by its owner.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "gui/component.h"

namespace gui {

using TComponentFactory = std::function<TComponent*(std::string_view className)>;

q::Error ReadLayout(std::string_view text, TComponent& root, const TComponentFactory& create,
                    std::vector<TComponent*>& created);

// A layout text read at compile time (gui/layout_reader.h):
//   constexpr std::string_view Text() { return "object F: TForm ... end"; }
//   form.CreateFromLayout(gui::CompiledLayout<Text>());
// Only the reader makes one, so its records are well formed.
class TCompiledLayout {
 public:
  std::string_view Records() const { return records_; }

 private:
  template <std::string_view (*text)()>
  friend constexpr TCompiledLayout CompiledLayout();
  constexpr explicit TCompiledLayout(std::string_view records) : records_(records) {}

  std::string_view records_;
};

// What ReadLayout does with a text read without a fault.
q::Error ApplyLayout(const TCompiledLayout& layout, TComponent& root,
                     const TComponentFactory& create, std::vector<TComponent*>& created);

}  // namespace gui
