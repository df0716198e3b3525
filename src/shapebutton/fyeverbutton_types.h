// The shaped button's enumerations, in their declared order, with the names
// a layout writes them by. Portable.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace fyeverbutton {

enum TFyButtonKind : uint8_t {
  bkRect,
  bkRoundRect,
  bkElliptic,
  bkPoly,
  bkPolyStar,
  bkArc,
  bkDonut,
  bkUser,
  bkArrow,
  bkArrow1,
  bkArrow2,
  bkCross,
  bkCutRect,
  bkCross1,
  bkOval
};
inline constexpr std::array<std::string_view, 15> kButtonKindNames{
    "bkRect",   "bkRoundRect", "bkElliptic", "bkPoly",   "bkPolyStar",
    "bkArc",    "bkDonut",     "bkUser",     "bkArrow",  "bkArrow1",
    "bkArrow2", "bkCross",     "bkCutRect",  "bkCross1", "bkOval"};

enum TFy3DKind : uint8_t {
  dk3D,
  dkFlatten,
  dk3dsimple,
  dkFlattenSimple,
  dk3dBorder,
  dk3dBorderFlatten,
  dkNone
};
inline constexpr std::array<std::string_view, 7> k3DKindNames{
    "dk3D",       "dkFlatten",         "dk3dsimple", "dkFlattenSimple",
    "dk3dBorder", "dk3dBorderFlatten", "dkNone"};

enum TFyGradientKind : uint8_t { gkNone, gkLinear, gkCircular };
inline constexpr std::array<std::string_view, 3> kGradientKindNames{"gkNone", "gkLinear",
                                                                    "gkCircular"};

enum TFyCaption3dKind : uint8_t { ckSimple, ckEmbossed, ckPressed };
inline constexpr std::array<std::string_view, 3> kCaption3dKindNames{"ckSimple", "ckEmbossed",
                                                                     "ckPressed"};

// haNone / vaNone: the explicit coordinate is used instead.
enum TFyHAlign : uint8_t { haLeft, haCenter, haRight, haNone };
inline constexpr std::array<std::string_view, 4> kHAlignNames{"haLeft", "haCenter", "haRight",
                                                              "haNone"};
enum TFyVAlign : uint8_t { vaTop, vaCenter, vaBottom, vaNone };
inline constexpr std::array<std::string_view, 4> kVAlignNames{"vaTop", "vaCenter", "vaBottom",
                                                              "vaNone"};

}  // namespace fyeverbutton
