// The drawing rules of the 3D label TAdvancedLabel, kept apart from Windows so
// that they can be checked exactly on any machine: which copies of the caption
// are written, where and in which colour, how the text rectangle moves between
// the measuring and the drawing pass, and how the label grows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// The label's enumerations, with the ordinals and the value names it publishes.
enum TFont3DStyle : unsigned char { fsInset, fsOnlyHighlight, fsOnlyShadow, fsOutLineShadow, fsRaised };

enum TFont3DRepeat : unsigned char { frNone, frOnHighLight, frOnShadow };

// The platform label's vertical placement of its text.
enum TTextLayout : unsigned char { tlTop, tlCenter, tlBottom };

namespace advlabel {

// 0x00BBGGRR, as classlib::TColor; the top bit set names a system colour.
using Color = std::uint32_t;

constexpr Color kBtnHighlight = 0x80000014;  // clBtnHighlight
constexpr Color kBtnShadow = 0x80000010;     // clBtnShadow

// DrawTextA format flags, so that the rules need no Windows header.
constexpr unsigned kDtCenter = 0x1;
constexpr unsigned kDtRight = 0x2;
constexpr unsigned kDtWordBreak = 0x10;
constexpr unsigned kDtExpandTabs = 0x40;
constexpr unsigned kDtCalcRect = 0x400;
constexpr unsigned kDtNoPrefix = 0x800;

enum class TextAlign { LeftJustify, RightJustify, Center };

// Left, top, right, bottom; right and bottom exclusive.
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const Rect&) const = default;
};

// The seven relief settings, with the values a new label starts with.
struct Font3DSettings {
    bool enabled = true;
    TFont3DStyle style = fsOutLineShadow;
    Color highlight = 0x808080;
    Color shadow = 0xFFFFFF;
    TFont3DRepeat repetition = frNone;
    Color repetitionColor = 0xFFFFFF;
    int repetitionWidth = 0;
    bool operator==(const Font3DSettings&) const = default;
};

// What the drawing reads of the label besides its caption.
struct LabelLook {
    bool enabled = true;
    bool showAccelChar = true;
    bool wordWrap = false;
    TextAlign alignment = TextAlign::LeftJustify;
    TTextLayout layout = tlTop;
    Color fontColor = 0;
    Font3DSettings font3d;
};

// The largest repetition width kept: the extrusion counts its copies in 16
// bits, while the move back and the growth take the whole value, so larger
// (and negative) widths would leave the caption off its place.
constexpr int kMaxRepetitionWidth = 0xFFFF;
int ClampRepetitionWidth(int width);

// One DrawTextA call: the text, the rectangle as it stands at the call, the
// flags and the colour. With kDtCalcRect among the flags the writer draws
// nothing and sets the rectangle's right and bottom to the text's extent from
// its top-left corner.
using WriteText = std::function<void(const std::string& text, Rect& rect, unsigned flags, Color color)>;

// DT_EXPANDTABS, word breaks and the horizontal alignment, as Paint starts from.
unsigned PaintFlags(const LabelLook& look);

// The text a pass writes: the measuring pass measures an empty caption, or a
// lone "&" that would be a prefix, as one blank so that it still has a line's height.
std::string TextToWrite(const std::string& caption, bool showAccelChar, unsigned flags);

// Writes the caption with all its copies into `rect`, moving it as it goes;
// `rect` is left where the last copy was written (n right of and below its
// start after an extrusion frOnHighLight of n copies).
void Draw3DText(const LabelLook& look, const std::string& caption, Rect& rect, unsigned flags,
                const WriteText& write);

// Paint's text: for tlCenter and tlBottom a measuring pass first, whose
// rectangle is moved down into place and then drawn from.
void PaintText(const LabelLook& look, const std::string& caption, int width, int height, const WriteText& write);

// The label's size after GrowForRepetition.
struct Size {
    int width = 0, height = 0;
    bool operator==(const Size&) const = default;
};
Size GrownForRepetition(Size size, int repetitionWidth);

} // namespace advlabel
