// The drawing and hit-test rules of the gradient panel TGradPan, kept apart
// from Windows so that they can be checked exactly on any machine: the colour
// table, the band geometry, where the caption goes and in which copies, the
// picture tiles, the frame lines and the edge zones of a movable panel.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

// The panel's enumerations, with the ordinals and the value names it publishes.
enum TDirection : unsigned char {
    bdFlat,
    bdStretchImage,
    bdTileImage,
    bdUp,
    bdDown,
    bdLeft,
    bdRight,
    bdHorzIn,
    bdHorzOut,
    bdVertIn,
    bdVertOut,
};

enum TTextEffect : unsigned char { tenone, teShadow, teRaised, teLowered, teEmbossed };

enum TTextRotation : unsigned char { trNone, TrUp, TrDown };

enum TVertAlign : unsigned char { vlTop, vlCenter, VlBottom };

namespace gradpan {

// 0x00BBGGRR, as classlib::TColor; the top byte set names a system colour.
using Color = std::uint32_t;

constexpr int kColorCount = 100;
using ColorTable = std::array<Color, kColorCount>;

// The platform panel's settings that the rules read, in the platform's order.
enum class TextAlign { LeftJustify, RightJustify, Center };
enum class BevelKind { None, Lowered, Raised, Space };

struct Point {
    int x = 0, y = 0;
    bool operator==(const Point&) const = default;
};

// Left, top, right, bottom; right and bottom exclusive.
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const Rect&) const = default;
};

// Fills entries 0 to count - 1 of `table` (count at most kColorCount) from
// `from` towards `to`. The channels are taken from the bits as they are (a
// system colour is not resolved); each channel steps by (to - from) / count,
// stored as a double, and entry i is i * step + from evaluated in 80-bit
// extended precision and truncated toward zero. Entry 0 is `from`; `to`
// itself is only reached where truncation gets there.
void BuildColorTable(ColorTable& table, Color from, Color to, int count);

// a * b / c with a 64-bit intermediate, rounded to the nearest integer with
// halves away from zero; -1 when c is 0 or the result does not fit, as the
// system's MulDiv.
int MulDiv(int a, int b, int c);

// What a gradient effect paints: the table's end colours, the direction the
// bands run in and whether the bands run out and back.
struct Gradient {
    Color from = 0;
    Color to = 0;
    bool columns = false;   // bands side by side from left to right; otherwise stacked from the top
    bool mirrored = false;
};

// bdUp, bdDown, bdLeft and bdRight are kinds 0 to 3: stacked bands for 0 and
// 1, side by side for 2 and 3; kinds 1 and 3 run from colorEnd to colorStart.
Gradient LinearGradient(int kind, Color colorStart, Color colorEnd);
// bdHorzIn, bdHorzOut, bdVertIn and bdVertOut: reversed runs from colorEnd to
// colorStart, vertical puts the bands side by side.
Gradient MirroredGradient(bool reversed, bool vertical, Color colorStart, Color colorEnd);

// Band k (0 to 99) of a gradient on a width x height panel; empty bands exist
// on panels smaller than 100 pixels.
Rect BandRect(const Gradient& gradient, int k, int width, int height);
// The table entry band k shows: k itself, or for a mirrored gradient the odd
// entries 1 to 99 in the first half and the even ones 98 down to 0 in the second.
int BandEntry(const Gradient& gradient, int k);

enum class TextAnchor { Left, Right, Center };  // along the direction of writing, from the cell's top

struct CaptionPlacement {
    Point reference;
    TextAnchor anchor = TextAnchor::Left;
    bool operator==(const CaptionPlacement&) const = default;
};

struct CaptionLayout {
    int width = 0, height = 0;
    int borderWidth = 0, bevelWidth = 0;  // both counted whether or not a bevel shows
    int textHeight = 0;                   // of "^_" in the panel's font
    TextAlign alignment = TextAlign::Center;
    TVertAlign vertAlign = vlCenter;
    TTextRotation rotation = trNone;
};

// Where the caption's reference point lies and how the text stands to it.
CaptionPlacement PlaceCaption(const CaptionLayout& layout);

enum class CopyColor { Shadow, Black, Font };

struct TextCopy {
    int dx = 0, dy = 0;
    CopyColor color = CopyColor::Font;
    bool operator==(const TextCopy&) const = default;
};

// The copies of the caption `effect` writes, in writing order (later over earlier).
std::vector<TextCopy> TextCopies(TTextEffect effect, TTextRotation rotation);

// The picture effects' inset: clear of the frame only with Ctl3D.
int ImageInset(bool ctl3d, int bevelWidth, int borderWidth);

struct TileGrid {
    int columns = 0, rows = 0;
    Point origin;  // top-left corner of tile (0, 0); tile (c, r) is at origin + (c * pw, r * ph)
};

// The tiles of a pictureWidth x pictureHeight picture (both above 0); no tile
// when columns or rows come out at 0 or less.
TileGrid TileImage(int width, int height, int inset, int pictureWidth, int pictureHeight);

// The stretched picture's rectangle; its last column and row stay uncovered.
Rect StretchTarget(int width, int height, int inset);

struct FrameLine {
    Point from, to;  // `to` itself not drawn
    Color color = 0;
    bool operator==(const FrameLine&) const = default;
};

struct FrameLayout {
    int width = 0, height = 0;
    BevelKind bevelOuter = BevelKind::Raised;
    BevelKind bevelInner = BevelKind::None;
    int bevelWidth = 1;
    int borderWidth = 0;
    bool ctl3d = false;
};

struct Frame {
    std::vector<FrameLine> lines;  // in drawing order
    // With Ctl3D and an inner bevel: one-pixel outlines in the panel colour
    // over the border ring, drawn after the lines.
    std::vector<Rect> ringOutlines;
};

Frame FrameOf(const FrameLayout& layout);

// The answers of a movable panel's hit test, with the system's values.
enum HitZone : int {
    kHitCaption = 2,
    kHitLeft = 10,
    kHitRight = 11,
    kHitTop = 12,
    kHitTopLeft = 13,
    kHitTopRight = 14,
    kHitBottom = 15,
    kHitBottomLeft = 16,
    kHitBottomRight = 17,
};

// The zone of client point (x, y): within `marge` pixels of an edge or corner,
// the left-hand and then the top tests first, otherwise the caption.
HitZone HitTest(int x, int y, int width, int height, int marge);

} // namespace gradpan
