#include "product/dialog_layout.h"

#include <initializer_list>

#include "product/texts.h"

namespace product {
namespace {

// The answer buttons' font, the same for both.
constexpr char kAnswerFont[] = R"(
      Font.Height = -13
      Font.Name = 'Tahoma'
      Font.Style = [fsBold])";

// Layout lines as the buttons' properties: each on its own line, indented.
std::string Lines(std::string_view text) {
  std::string out;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    if (!line.empty()) out.append("\n      ").append(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return out;
}

// The pieces one after another (the temporaries among them live until the
// call returns).
std::string Join(std::initializer_list<std::string_view> pieces) {
  std::string out;
  for (std::string_view piece : pieces) out += piece;
  return out;
}

}  // namespace

std::string LayoutString(std::string_view text) {
  std::string out;
  bool quoted = false;
  for (char c : text) {
    const auto code = static_cast<unsigned char>(c);
    if (code < 32) {
      if (quoted) out += '\'';
      quoted = false;
      out += '#' + std::to_string(code);
      continue;
    }
    if (!quoted) out += '\'';
    quoted = true;
    if (c == '\'') out += '\'';  // a quote is written twice
    out += c;
  }
  if (quoted) out += '\'';
  return out.empty() ? std::string("''") : out;
}

// Sizes are pixels at 96 dpi; font heights are negative character heights.
// Aligned controls give only what their alignment leaves open. The function
// is long because it is the layout text itself, one object after another.
std::string DialogLayout(std::string_view formClass, const AnswerButtons& b) {
  const std::string yes = Join({b.namePrefix, "SI"});
  const std::string no = Join({b.namePrefix, "NO"});
  return Join({R"(
object Form3: )",
               formClass,
               R"(
  BorderStyle = bsNone
  Caption = )",
               LayoutString(texts::kFormCaption),
               R"(
  ClientWidth = 630
  ClientHeight = 297
  Color = clWhite
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  Position = poScreenCenter
  ActiveControl = )",
               yes,
               R"(
  object Panel1: TPanel
    Align = alClient
    BevelInner = bvLowered
    BevelOuter = bvRaised
    BevelWidth = 2
    BorderStyle = bsSingle
    Color = clWhite
    object Panel2: TPanel
      Align = alTop
      AutoSize = True
      BevelOuter = bvNone
      BorderWidth = 3
      ParentColor = True
      object Label3: TLabel
        Align = alTop
        Alignment = taCenter
        Height = 32
        Caption = )",
               LayoutString(texts::kTitle),
               R"(
        Font.Color = clBlue
        Font.Height = -27
        Font.Name = 'Arial'
        Font.Style = [fsBold]
      end
      object Label1: TLabel
        Align = alTop
        Alignment = taCenter
        Height = 75
        Caption = )",
               LayoutString(texts::kDisclaimer),
               R"(
        Font.Color = clBlue
        Font.Height = -12
        Font.Name = 'Arial'
        Font.Style = [fsBold]
      end
      object Panel8: TPanel
        Align = alClient
        AutoSize = True
        BevelOuter = bvNone
        BorderWidth = 3
        Height = 30
        ParentColor = True
        object Panel9: TPanel
          Align = alClient
          AutoSize = True
          BevelOuter = bvNone
          BorderWidth = 3
          ParentColor = True
          object LabelLink: TLabel
            Align = alBottom
            Height = 13
            Cursor = crHandPoint
            Caption = )",
               LayoutString(std::string(texts::kCreditPrefix) + texts::kMakerName),
               R"(
            Font.Color = clBlue
            Font.Height = -11
            Font.Name = 'MS Sans Serif'
            Font.Style = [fsUnderline]
          end
        end
      end
    end
    object Label4: TLabel
      Align = alBottom
      Alignment = taCenter
      Height = 15
      Caption = )",
               LayoutString(texts::kLayoutStatus),
               R"(
      Font.Color = clBlue
      Font.Height = -12
      Font.Name = 'Arial'
      Font.Style = [fsBold]
    end
    object ProgressBar1: TProgressBar
      Left = 8
      Top = 152
      Width = 609
      Height = 121
      TabOrder = 2
      Visible = False
    end
    object )",
               no,
               ": ",
               b.className,
               R"(
      Left = 408
      Top = 160
      Width = 201
      Height = 105
      Caption = )",
               LayoutString(texts::kNoCaption),
               R"(
      TabOrder = 0
      Font.Color = clNavy)",
               Lines(b.no),
               Lines(b.shared),
               kAnswerFont,
               R"(
    end
    object )",
               yes,
               ": ",
               b.className,
               R"(
      Left = 16
      Top = 160
      Width = 193
      Height = 105
      Caption = )",
               LayoutString(texts::kYesCaption),
               R"(
      TabOrder = 1
      Font.Color = clWhite)",
               Lines(b.yes),
               Lines(b.shared),
               kAnswerFont,
               R"(
    end
  end
end
)"});
}

}  // namespace product
