// The installer dialog's layout text, one source for the installer (shaped
// answer buttons) and the framework's demo (plain push buttons): the same
// panels, labels, progress bar and texts, with the answer buttons' class and
// properties supplied by the caller.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "product/texts.h"

namespace product {

// The two answer buttons, `yesName` (Yes, the default) and `noName`, as
// objects of `className`. The property texts are layout lines, each after a
// line break ("\nName = value"), placed after each button's caption, tab
// order and font colour: `yes` and `no` for one button, `shared` for both.
struct AnswerButtons {
  std::string_view className;
  std::string_view yesName;
  std::string_view noName;
  std::string_view yes;
  std::string_view no;
  std::string_view shared;
};

// The layout of the dialog (outer object Form3 of class `formClass`), with
// the product's built-in texts and the maker's name in place.
std::string DialogLayout(std::string_view formClass, const AnswerButtons& buttons);

// The same text made at compile time, for a form class and buttons known
// then: the program carries the text, not the code that joins it.
template <const std::string_view& formClass, const AnswerButtons& buttons>
constexpr std::string_view ConstantDialogLayout();

// `text` as a layout string: quoted pieces ('' for a quote) and #nn for
// control characters, so line breaks survive.
std::string LayoutString(std::string_view text);

namespace layout_detail {

// A piece of layout text as the source shows it, indented by nesting. The
// reader skips blanks, so the program carries the piece without the spaces
// that begin its lines: `R"(...)"_layout` is made so at compile time.
template <std::size_t N>
struct IndentedText {
  char text[N];
  consteval IndentedText(const char (&source)[N]) {
    for (std::size_t i = 0; i < N; ++i) text[i] = source[i];
  }
  // The characters that stay, in order, written to `out` if it is not
  // null; returns their count.
  constexpr std::size_t Outdent(char* out) const {
    std::size_t size = 0;
    bool lineStart = false;
    for (std::size_t i = 0; i + 1 < N; ++i) {  // without the terminating zero
      if (lineStart && text[i] == ' ') continue;
      lineStart = text[i] == '\n';
      if (out) out[size] = text[i];
      ++size;
    }
    return size;
  }
};

template <IndentedText source>
constexpr auto kOutdented = [] {
  std::array<char, source.Outdent(nullptr)> out{};
  source.Outdent(out.data());
  return out;
}();

template <IndentedText source>
constexpr std::string_view operator""_layout() {
  return {kOutdented<source>.data(), kOutdented<source>.size()};
}

// `text` as a layout string (LayoutString), written to `out` if it is not
// null; returns its length.
constexpr std::size_t Quote(std::string_view text, char* out) {
  std::size_t size = 0;
  const auto put = [&](char c) {
    if (out) out[size] = c;
    ++size;
  };
  bool quoted = false;
  for (char c : text) {
    const auto code = static_cast<unsigned char>(c);
    if (code < 32) {
      if (quoted) put('\'');
      quoted = false;
      put('#');
      if (code >= 10) put(static_cast<char>('0' + code / 10));
      put(static_cast<char>('0' + code % 10));
      continue;
    }
    if (!quoted) put('\'');
    quoted = true;
    if (c == '\'') put('\'');  // a quote is written twice
    put(c);
  }
  if (quoted) put('\'');
  if (size == 0) {
    put('\'');
    put('\'');
  }
  return size;
}

// The product's texts one after another, and that as a layout string, both
// made at compile time: the program carries only the quoted form.
template <const char*... texts>
constexpr auto kJoined = [] {
  std::array<char, (std::char_traits<char>::length(texts) + ...)> out{};
  std::size_t size = 0;
  for (const char* text : {texts...}) {
    while (*text) out[size++] = *text++;
  }
  return out;
}();

template <const char*... texts>
constexpr auto kQuoted = [] {
  constexpr std::string_view joined(kJoined<texts...>.data(), kJoined<texts...>.size());
  std::array<char, Quote(joined, nullptr)> out{};
  Quote(joined, out.data());
  return out;
}();

template <const char*... texts>
constexpr std::string_view Quoted() {
  return {kQuoted<texts...>.data(), kQuoted<texts...>.size()};
}

// The answer buttons' font, the same for both.
constexpr std::string_view kAnswerFont = R"(
      Font.Height = -13
      Font.Name = 'Tahoma'
      Font.Style = [fsBold])"_layout;

// The pieces, kept in order and by value.
template <std::size_t N>
constexpr std::array<std::string_view, N> InOrder(const std::string_view (&pieces)[N]) {
  std::array<std::string_view, N> out{};
  for (std::size_t i = 0; i < N; ++i) out[i] = pieces[i];
  return out;
}

// The layout's pieces in order; joined, they are the layout. Sizes are
// pixels at 96 dpi; font heights are negative character heights. Aligned
// controls give only what their alignment leaves open. Long because it is
// the whole layout text, one piece a line.
constexpr auto Pieces(std::string_view formClass, const AnswerButtons& b) {
  // One piece a line, as the text reads.
  // clang-format off
  return InOrder({R"(
object Form3: )"_layout,
                  formClass,
                  R"(
  BorderStyle = bsNone
  Caption = )"_layout,
                  Quoted<texts::kFormCaption>(),
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
  ActiveControl = )"_layout,
                  b.yesName,
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
        Caption = )"_layout,
                  Quoted<texts::kTitle>(),
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
        Caption = )"_layout,
                  Quoted<texts::kDisclaimer>(),
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
            Caption = )"_layout,
                  Quoted<texts::kCreditPrefix,
                  texts::kMakerName>(),
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
      Caption = )"_layout,
                  Quoted<texts::kLayoutStatus>(),
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
    object )"_layout,
                  b.noName,
                  ": ",
                  b.className,
                  R"(
      Left = 408
      Top = 160
      Width = 201
      Height = 105
      Caption = )"_layout,
                  Quoted<texts::kNoCaption>(),
                  R"(
      TabOrder = 0
      Font.Color = clNavy)"_layout,
                  b.no,
                  b.shared,
                  kAnswerFont,
                  R"(
    end
    object )"_layout,
                  b.yesName,
                  ": ",
                  b.className,
                  R"(
      Left = 16
      Top = 160
      Width = 193
      Height = 105
      Caption = )"_layout,
                  Quoted<texts::kYesCaption>(),
                  R"(
      TabOrder = 1
      Font.Color = clWhite)"_layout,
                  b.yes,
                  b.shared,
                  kAnswerFont,
                  R"(
    end
  end
end
)"_layout});
  // clang-format on
}

constexpr std::size_t Size(const auto& pieces) {
  std::size_t size = 0;
  for (std::string_view piece : pieces) size += piece.size();
  return size;
}

template <const std::string_view& formClass, const AnswerButtons& buttons>
constexpr auto kLayout = [] {
  constexpr auto pieces = Pieces(formClass, buttons);
  std::array<char, Size(pieces)> out{};
  std::size_t at = 0;
  for (std::string_view piece : pieces) {
    for (char c : piece) out[at++] = c;
  }
  return out;
}();

}  // namespace layout_detail

template <const std::string_view& formClass, const AnswerButtons& buttons>
constexpr std::string_view ConstantDialogLayout() {
  const auto& text = layout_detail::kLayout<formClass, buttons>;
  return {text.data(), text.size()};
}

}  // namespace product
