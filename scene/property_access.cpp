#include "scene/property_access.h"

#include <string>
#include <type_traits>

#include "core/fonts.h"
#include "scene/base_list.h"
#include "script/param_collection.h"
#include "script/script_error.h"

namespace orva {

namespace {

// The codes that follow the general rule: code, accessor, the accessor's value type.
// Enumerations (uint8_t) are moved as integers 0..255.
#define ORVA_PLAIN_PROPERTIES(X)                         \
  X(PR_SOURCE, Source, std::string)                      \
  X(PR_LEFT, Left, int32_t)                              \
  X(PR_TOP, Top, int32_t)                                \
  X(PR_WIDTH, Width, int32_t)                            \
  X(PR_HEIGHT, Height, int32_t)                          \
  X(PR_ZOOMX, ZoomX, int32_t)                            \
  X(PR_COLOR, Color, int32_t)                            \
  X(PR_BORDERWIDTH, BorderWidth, int32_t)                \
  X(PR_BORDERCOLOR, BorderColor, int32_t)                \
  X(PR_ALPHA, Alpha, int32_t)                            \
  X(PR_OFFSETX, OffsetX, int32_t)                        \
  X(PR_OFFSETY, OffsetY, int32_t)                        \
  X(PR_FONTNAME, FontName, std::string)                  \
  X(PR_FONTHEIGHT, FontHeight, int32_t)                  \
  X(PR_LINESPACE, LineSpace, int32_t)                    \
  X(PR_FONTCOLOR, FontColor, int32_t)                    \
  X(PR_FONTLINKCOLOR, FontLinkColor, int32_t)            \
  X(PR_FONTBORDERCOLOR, FontBorderColor, int32_t)        \
  X(PR_FONTHOVERCOLOR, FontHoverColor, int32_t)          \
  X(PR_HOVERCOLOR, HoverColor, int32_t)                  \
  X(PR_ANTIALIAS, Antialias, bool)                       \
  X(PR_DELAY, Delay, int32_t)                            \
  X(PR_PAUSED, Paused, bool)                             \
  X(PR_VOLUME, Volume, int32_t)                          \
  X(PR_REPEAT, Repeat, bool)                             \
  X(PR_BALANCE, Balance, int32_t)                        \
  X(PR_ANGLE, Angle, int32_t)                            \
  X(PR_ONPLAYING, OnPlaying, std::string)                \
  X(PR_ONNOTIFY, OnNotify, std::string)                  \
  X(PR_ONMOUSEMOVE, OnMouseMove, std::string)            \
  X(PR_ONMOUSEOUT, OnMouseOut, std::string)              \
  X(PR_ONLBTNDOWN, OnLBtnDown, std::string)              \
  X(PR_ONLBTNUP, OnLBtnUp, std::string)                  \
  X(PR_ONRBTNDOWN, OnRBtnDown, std::string)              \
  X(PR_ONRBTNUP, OnRBtnUp, std::string)                  \
  X(PR_ONWHEELDOWN, OnWheelDown, std::string)            \
  X(PR_ONWHEELUP, OnWheelUp, std::string)                \
  X(PR_BRIGHTNESS, Brightness, int32_t)                  \
  X(PR_ONPLAYEND, OnPlayEnd, std::string)                \
  X(PR_INDEX, Index, int32_t)                            \
  X(PR_COUNT, Count, int32_t)                            \
  X(PR_ONLINK, OnLink, std::string)                      \
  X(PR_VISIBLE, Visible, bool)                           \
  X(PR_COLCOUNT, ColCount, int32_t)                      \
  X(PR_ROWCOUNT, RowCount, int32_t)                      \
  X(PR_MARGINX, MarginX, int32_t)                        \
  X(PR_MARGINY, MarginY, int32_t)                        \
  X(PR_HALIGN, HAlign, uint8_t)                          \
  X(PR_SCROLLSOURCE, ScrollSource, std::string)          \
  X(PR_CHECKSOURCE, CheckSource, std::string)            \
  X(PR_AUTOSCRAP, AutoScrap, bool)                       \
  X(PR_ONSELECT, OnSelect, std::string)                  \
  X(PR_RCLICKSCRAP, RClickScrap, bool)                   \
  X(PR_ONOPENING, OnOpening, std::string)                \
  X(PR_ONOPENED, OnOpened, std::string)                  \
  X(PR_ONCLOSING, OnClosing, std::string)                \
  X(PR_ONCLOSED, OnClosed, std::string)                  \
  X(PR_IGNOREMOUSE, IgnoreMouse, uint8_t)                \
  X(PR_TEXTPAUSED, TextPaused, bool)                     \
  X(PR_TEXTDELAY, TextDelay, int32_t)                    \
  X(PR_HOVERSOURCE, HoverSource, std::string)            \
  X(PR_PRESSEDSOURCE, PressedSource, std::string)        \
  X(PR_GROUPINDEX, GroupIndex, int32_t)                  \
  X(PR_ALLOWALLUP, AllowAllUp, bool)                     \
  X(PR_SELECTED, Selected, bool)                         \
  X(PR_CAPTUREMASK, CaptureMask, bool)                   \
  X(PR_POWER, Power, int32_t)                            \
  X(PR_ORIGWIDTH, OrigWidth, int32_t)                    \
  X(PR_ORIGHEIGHT, OrigHeight, int32_t)                  \
  X(PR_PARTMOTION, PartMotion, uint8_t)                  \
  X(PR_TOPINDEX, TopIndex, int32_t)                      \
  X(PR_READONLY, ReadOnly, bool)                         \
  X(PR_CURSOR, Cursor, std::string)                      \
  X(PR_POSZOOMED, PosZoomed, bool)                       \
  X(PR_ONPLAYSTART, OnPlayStart, std::string)            \
  X(PR_ONMOUSEIN, OnMouseIn, std::string)                \
  X(PR_ONMAPIN, OnMapIn, std::string)                    \
  X(PR_ONMAPOUT, OnMapOut, std::string)                  \
  X(PR_MAPSOURCE, MapSource, std::string)                \
  X(PR_AMP, Amp, int32_t)                                \
  X(PR_WAVELEN, WaveLen, int32_t)                        \
  X(PR_SCROLLX, ScrollX, int32_t)                        \
  X(PR_SCROLLY, ScrollY, int32_t)                        \
  X(PR_FLIPH, FlipH, bool)                               \
  X(PR_FLIPV, FlipV, bool)                               \
  X(PR_ONIDLE, OnIdle, std::string)                      \
  X(PR_DISTANCEX, DistanceX, int32_t)                    \
  X(PR_DISTANCEY, DistanceY, int32_t)                    \
  X(PR_CLIPLEFT, ClipLeft, int32_t)                      \
  X(PR_CLIPTOP, ClipTop, int32_t)                        \
  X(PR_CLIPWIDTH, ClipWidth, int32_t)                    \
  X(PR_CLIPHEIGHT, ClipHeight, int32_t)                  \
  X(PR_DURATION, Duration, int32_t)                      \
  X(PR_THUMBSOURCE, ThumbSource, std::string)            \
  X(PR_BUTTONSOURCE, ButtonSource, std::string)          \
  X(PR_MIN, Min, int32_t)                                \
  X(PR_MAX, Max, int32_t)                                \
  X(PR_VALUE, Value, int32_t)                            \
  X(PR_ORIENTATION, Orientation, uint8_t)                \
  X(PR_SMALLCHANGE, SmallChange, int32_t)                \
  X(PR_LARGECHANGE, LargeChange, int32_t)                \
  X(PR_MAPTEXT, MapText, std::string)                    \
  X(PR_GLYPHWIDTH, GlyphWidth, int32_t)                  \
  X(PR_GLYPHHEIGHT, GlyphHeight, int32_t)                \
  X(PR_ZOOMY, ZoomY, int32_t)                            \
  X(PR_CLICKEDSOURCE, ClickedSource, std::string)        \
  X(PR_ANIPAUSED, AniPaused, bool)                       \
  X(PR_ONHOLD, OnHold, std::string)                      \
  X(PR_ONRELEASE, OnRelease, std::string)                \
  X(PR_REVERSE, Reverse, bool)                           \
  X(PR_REWINDONLOAD, RewindOnLoad, bool)                 \
  X(PR_FONTSHADOWCOLOR, FontShadowColor, int32_t)        \
  X(PR_FONTBORDER, FontBorder, int32_t)                  \
  X(PR_FONTSHADOW, FontShadow, int32_t)                  \
  X(PR_ONKEYDOWN, OnKeyDown, std::string)                \
  X(PR_ONKEYUP, OnKeyUp, std::string)                    \
  X(PR_ONKEYREPEAT, OnKeyRepeat, std::string)            \
  X(PR_HANDLEKEY, HandleKey, bool)                       \
  X(PR_ONFOCUSIN, OnFocusIn, std::string)                \
  X(PR_ONFOCUSOUT, OnFocusOut, std::string)              \
  X(PR_OVERLAY, Overlay, bool)                           \
  X(PR_CAPTURELINK, CaptureLink, bool)                   \
  X(PR_FONTHOVERBORDER, FontHoverBorder, int32_t)        \
  X(PR_FONTHOVERBORDERCOLOR, FontHoverBorderColor, int32_t) \
  X(PR_FONTHOVERSHADOW, FontHoverShadow, int32_t)        \
  X(PR_FONTHOVERSHADOWCOLOR, FontHoverShadowColor, int32_t) \
  X(PR_BARSIZE, BarSize, int32_t)                        \
  X(PR_MUTEONLOAD, MuteOnLoad, bool)                     \
  X(PR_PLUSX, PlusX, int32_t)                            \
  X(PR_PLUSY, PlusY, int32_t)

// The value of an accessor into a variable; T is the type the table names, which must be
// the accessor's own.
template <class T, class V>
void Store(TParamCollectionItem& item, const V& value) {
  static_assert(std::is_same_v<T, V>, "the table names another type than the accessor has");
  if constexpr (std::is_same_v<T, std::string>) item.SetAsString(value);
  else if constexpr (std::is_same_v<T, bool>) item.SetAsBoolean(value);
  else item.SetAsInteger(value);
}

// A script value read as the type T.
template <class T>
T Take(const TCustomParam& value) {
  if constexpr (std::is_same_v<T, std::string>) return value.GetAsString();
  else if constexpr (std::is_same_v<T, bool>) return value.GetAsBoolean();
  else if constexpr (std::is_same_v<T, uint8_t>) return static_cast<uint8_t>(value.GetAsInteger());
  else return value.GetAsInteger();
}

// The border pictures and alignments by code: 9 pictures, then the three horizontal
// alignments (indexes 1, 4, 7) and the three vertical ones (3, 4, 5).
int BorderSourceIndex(uint8_t code) { return code - PR_BORDERSOURCETL; }
int BorderHAlignIndex(uint8_t code) { return (code - PR_BORDERHALIGNT) * 3 + 1; }
int BorderVAlignIndex(uint8_t code) { return code - PR_BORDERHALIGNT; }

int ParamIndex(uint8_t code) { return code == PR_PARAM1 ? 0 : code == PR_PARAM2 ? 1 : 2; }

}  // namespace

void GetProp(TParamCollectionItem& item, TOrvaObject& object, uint8_t code) {
  switch (code) {
#define ORVA_GET(code, name, type) \
  case code: Store<type>(item, object.Get##name()); return;
    ORVA_PLAIN_PROPERTIES(ORVA_GET)
#undef ORVA_GET
    case PR_NAME: item.SetAsString(object.GetName()); return;
    case PR_PARENT: {
      TOrvaControl* parent = object.GetParent();
      item.SetAsString(parent ? parent->GetName() : std::string());
      return;
    }
    case PR_PRIORITY: item.SetAsInteger(object.GetPriority()); return;
    case PR_FONTSTYLE: item.SetAsInteger(FontStylesToInt(object.GetFontStyle())); return;
    case PR_FONTHOVERSTYLE: item.SetAsInteger(FontStylesToInt(object.GetFontHoverStyle())); return;
    case PR_TEXT: item.SetAsString(object.GetText()); return;
    case PR_BORDERSOURCETL: case PR_BORDERSOURCETC: case PR_BORDERSOURCETR:
    case PR_BORDERSOURCECL: case PR_BORDERSOURCECC: case PR_BORDERSOURCECR:
    case PR_BORDERSOURCEBL: case PR_BORDERSOURCEBC: case PR_BORDERSOURCEBR:
      item.SetAsString(object.GetBorderSource(BorderSourceIndex(code)));
      return;
    case PR_BORDERHALIGNT: case PR_BORDERHALIGNC: case PR_BORDERHALIGNB:
      item.SetAsInteger(object.GetBorderHAlign(BorderHAlignIndex(code)));
      return;
    case PR_BORDERVALIGNL: case PR_BORDERVALIGNC: case PR_BORDERVALIGNR:
      item.SetAsInteger(object.GetBorderVAlign(BorderVAlignIndex(code)));
      return;
    case PR_CARETX: item.SetAsInteger(object.GetCaretPos().X); return;
    case PR_CARETY: item.SetAsInteger(object.GetCaretPos().Y); return;
    case PR_APPEARX: case PR_APPEARY: item.SetAsInteger(0); return;
    case PR_PARAM1: case PR_PARAM2: case PR_PARAM3: item.SetAsFloat(object.GetParam(ParamIndex(code))); return;
    case PR_PLAYING: item.SetAsBoolean(object.GetPlaying()); return;
    case PR_COMPOTYPE: item.SetAsInteger(object.GetCompoType()); return;
    case PR_TAG: item.SetAsString(object.GetTag()); return;
    case PR_CARETHEIGHT: item.SetAsInteger(object.GetCaretHeight()); return;
    default: RaiseScriptError("GetPropエラー");
  }
}

void SetProp(TOrvaObject& object, uint8_t code, const TCustomParam& value) {
  switch (code) {
#define ORVA_SET(code, name, type) \
  case code: object.Set##name(Take<type>(value)); return;
    ORVA_PLAIN_PROPERTIES(ORVA_SET)
#undef ORVA_SET
    case PR_NAME: object.SetName(value.GetAsString()); return;
    case PR_PARENT: {
      if (object.AsLayer()) return;
      TOrvaBaseList* main = GetMainScene();
      if (TOrvaControl* parent = main ? main->FindControl(value.GetAsString()) : nullptr) object.SetParent(parent);
      return;
    }
    case PR_PRIORITY: object.SetPriority(value.GetAsInteger()); return;
    case PR_FONTSTYLE: object.SetFontStyle(IntToFontStyles(value.GetAsInteger())); return;
    case PR_FONTHOVERSTYLE: object.SetFontHoverStyle(IntToFontStyles(value.GetAsInteger())); return;
    case PR_TEXT:
      // A message box forgets the text command its text came from.
      object.SetTextSource(0);
      object.SetText(value.GetAsString());
      return;
    case PR_BORDERSOURCETL: case PR_BORDERSOURCETC: case PR_BORDERSOURCETR:
    case PR_BORDERSOURCECL: case PR_BORDERSOURCECC: case PR_BORDERSOURCECR:
    case PR_BORDERSOURCEBL: case PR_BORDERSOURCEBC: case PR_BORDERSOURCEBR:
      object.SetBorderSource(BorderSourceIndex(code), value.GetAsString());
      return;
    case PR_BORDERHALIGNT: case PR_BORDERHALIGNC: case PR_BORDERHALIGNB:
      object.SetBorderHAlign(BorderHAlignIndex(code), Take<uint8_t>(value));
      return;
    case PR_BORDERVALIGNL: case PR_BORDERVALIGNC: case PR_BORDERVALIGNR:
      object.SetBorderVAlign(BorderVAlignIndex(code), Take<uint8_t>(value));
      return;
    case PR_PARAM1: case PR_PARAM2: case PR_PARAM3: object.SetParam(ParamIndex(code), value.GetAsFloat()); return;
    case PR_TAG: object.SetTag(value.GetAsString()); return;
    case PR_CARETX: case PR_CARETY: case PR_PLAYING: case PR_COMPOTYPE: case PR_CARETHEIGHT: return;  // read-only
    default: RaiseScriptError("SetPropエラー");  // beyond the table, and the appear codes
  }
}

}  // namespace orva
