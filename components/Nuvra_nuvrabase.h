#pragma once
// Shared vocabulary of the component library: colours, the toolkit enumerations the
// components publish, the library's own enumerations, its exception and the loading state.

#include <QColor>
#include <QObject>
#include <QString>
#include <cstdint>
#include <vector>

#include "PlatformError.h"

// 00BBGGRR for an RGB colour; with the top bit set, the index of a system colour that is
// resolved only when drawing.
using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clCream = 0xF0FBFF;
inline constexpr TColor clWindowText = 0x80000008;
inline constexpr TColor clBtnFace = 0x8000000F;
inline constexpr TColor clBtnShadow = 0x80000010;
inline constexpr TColor clGrayText = 0x80000011;
inline constexpr TColor clBtnHighlight = 0x80000014;

// The colour a TColor stands for now (system colours from the application's palette).
QColor colorToQColor(TColor c);
// The RGB value of a TColor as 00BBGGRR, system colours resolved.
TColor colorToRGB(TColor c);

namespace Nuvra {
Q_NAMESPACE

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
Q_ENUM_NS(TPenStyle)

enum TPenMode { pmCopy, pmXor };
Q_ENUM_NS(TPenMode)

enum TBrushStyle { bsSolid, bsClear };
Q_ENUM_NS(TBrushStyle)

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
Q_ENUM_NS(TAlignment)

enum TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
Q_DECLARE_FLAGS(TFontStyles, TFontStyle)
Q_FLAG_NS(TFontStyles)

enum TFrameStyle { fsNone, fsSimple, fsLowered, fsRaised, fsEmbossed, fsEngraved };
Q_ENUM_NS(TFrameStyle)

enum TColorScheme { csBWG, csSystem };
Q_ENUM_NS(TColorScheme)

enum TShadowStyle { ssFlying, ssBox };
Q_ENUM_NS(TShadowStyle)

enum TMouseActMode {
  maNone,
  maPan,
  maPanHoriz,
  maPanVert,
  maRubberBand,
  maZoom,
  maZoomWind,
  maZoomWindPos,
  maZoomDrag,
  maDragCrossH,
  maDragLabel,
  maRotate,
  maRotAndZoom,
  maRotXOnly,
  maRotZOnly
};
Q_ENUM_NS(TMouseActMode)

} // namespace Nuvra

Q_DECLARE_OPERATORS_FOR_FLAGS(Nuvra::TFontStyles)

// The component library's exception. Messages name the component: "Component "<name>" ...".
class ENuvraError : public EBaseError {
public:
  using EBaseError::EBaseError;
};

// Loading state of a component. A window's construction code creates each control with its
// defaults, puts it in loading state, applies the layout's values and then calls Loaded on
// every component in creation order (LayoutLoader does the bookkeeping).
class NuvraLoadable {
public:
  virtual ~NuvraLoadable() = default;
  bool IsLoading() const noexcept { return m_loading; }
  void BeginLoading() noexcept { m_loading = true; }
  // Overrides call the base first: it ends the loading state.
  virtual void Loaded() { m_loading = false; }
  // There is no form designer here; kept so that "or in design state" reads as in the rules.
  static constexpr bool IsDesigning() noexcept { return false; }

private:
  bool m_loading = false;
};

class LayoutLoader {
public:
  // Puts the component in loading state and remembers it for finish().
  template <class T> T *add(T *component) {
    component->BeginLoading();
    m_items.push_back(component);
    return component;
  }
  // Calls Loaded on every added component, in the order they were added.
  void finish();

private:
  std::vector<NuvraLoadable *> m_items;
};
