// The gradient panel's rules: colour table, bands, caption placement, text
// copies, tiles, frame and hit test.
#include "components/GradPanRules.h"

#include <gtest/gtest.h>

#include <climits>
#include <sstream>
#include <string>

using namespace gradpan;

// The published ordinals, which stored settings and the paint dispatch rely on.
static_assert(bdFlat == 0 && bdStretchImage == 1 && bdTileImage == 2 && bdUp == 3 && bdRight == 6 && bdHorzIn == 7 &&
              bdVertOut == 10 && sizeof(TDirection) == 1);
static_assert(tenone == 0 && teShadow == 1 && teEmbossed == 4 && sizeof(TTextEffect) == 1);
static_assert(trNone == 0 && TrUp == 1 && TrDown == 2 && sizeof(TTextRotation) == 1);
static_assert(vlTop == 0 && vlCenter == 1 && VlBottom == 2 && sizeof(TVertAlign) == 1);

namespace {

ColorTable Table(Color from, Color to)
{
    ColorTable table{};
    BuildColorTable(table, from, to, kColorCount);
    return table;
}

struct EntryCase {
    int index;
    Color value;
};

void ExpectEntries(const ColorTable& table, std::initializer_list<EntryCase> cases, const char* what)
{
    for (const EntryCase& c : cases)
        EXPECT_EQ(table[static_cast<std::size_t>(c.index)], c.value) << what << ", entry " << c.index;
}

// The table entry every row (or column) of a `size`-pixel panel shows once
// all 100 bands are painted in order; -1 where no band lands.
std::vector<int> EntryPerLine(const Gradient& gradient, int size)
{
    std::vector<int> shown(static_cast<std::size_t>(size), -1);
    for (int k = 0; k < kColorCount; ++k) {
        const Rect band = BandRect(gradient, k, size, size);
        const int first = gradient.columns ? band.left : band.top;
        const int last = gradient.columns ? band.right : band.bottom;
        for (int line = first; line < last; ++line) shown[static_cast<std::size_t>(line)] = BandEntry(gradient, k);
    }
    return shown;
}

std::string Describe(const std::vector<TextCopy>& copies)
{
    std::ostringstream out;
    for (const TextCopy& copy : copies) {
        if (out.tellp() > 0) out << ' ';
        out << '(' << copy.dx << ',' << copy.dy << ')'
            << (copy.color == CopyColor::Shadow ? 'S' : copy.color == CopyColor::Black ? 'B' : 'F');
    }
    return out.str();
}

} // namespace

TEST(ColorTable, ExtendedPrecisionAndTruncationDecideTheEntries)
{
    // A double or exact evaluation would give 51, 102, 153 and 204.
    ExpectEntries(Table(0x000000, 0x0000FF), {{0, 0}, {20, 50}, {40, 101}, {60, 152}, {80, 203}, {99, 252}},
                  "0 to 255");
    ExpectEntries(Table(0x0000FF, 0x000000),
                  {{0, 255}, {1, 252}, {2, 249}, {3, 247}, {10, 229}, {20, 204}, {49, 130}, {50, 127}, {99, 2}},
                  "255 to 0");
}

TEST(ColorTable, ChannelsKeepTheirPlaceInTheEntry)
{
    ExpectEntries(Table(0xFF0000, 0x000000), {{0, 0xFF0000}, {1, 0xFC0000}, {20, 0xCC0000}, {99, 0x020000}},
                  "blue 255 to 0");
    ExpectEntries(Table(0x000000, 0xFFFFFF), {{20, 0x323232}, {99, 0xFCFCFC}}, "black to white");
    ExpectEntries(Table(0x00FF00, 0xFF0000), {{0, 0x00FF00}, {50, 0x7F7F00}}, "green to blue");
}

TEST(ColorTable, SystemColourIsSplitAsPlainBits)
{
    // clBtnFace: the top byte is dropped, the index 15 becomes red.
    const ColorTable table = Table(0x8000000F, 0x80000000);
    ExpectEntries(table, {{0, 0x00000F}, {50, 0x000007}, {99, 0x000000}}, "0x8000000F to 0x80000000");
}

TEST(ColorTable, EqualEndsGiveOneColour)
{
    const ColorTable table = Table(0x123456, 0x123456);
    for (int i = 0; i < kColorCount; ++i) EXPECT_EQ(table[static_cast<std::size_t>(i)], 0x123456u) << "entry " << i;
}

TEST(ColorTable, FillsOnlyTheEntriesAskedFor)
{
    ColorTable table;
    table.fill(0xABCDEF);
    BuildColorTable(table, 0x000000, 0x0000FF, 10);
    EXPECT_EQ(table[9], 229u);  // 9 * 25.5 truncated
    EXPECT_EQ(table[10], 0xABCDEFu);
}

TEST(MulDiv, RoundsToNearestWithHalvesAwayFromZero)
{
    struct Case {
        int a, b, c, expected;
    };
    for (const Case& t : {Case{1, 50, 100, 1}, Case{3, 50, 100, 2}, Case{2, 50, 100, 1}, Case{1, 1, 3, 0},
                          Case{2, 1, 3, 1}, Case{50, 185, 100, 93}, Case{99, 41, 100, 41},
                          Case{100000, 100000, 100, 100000000}, Case{-1, 1, 2, -1}, Case{3, -50, 100, -2},
                          Case{1, 50, -100, -1}, Case{INT_MAX, 2, 1, -1}, Case{5, 5, 0, -1}})
        EXPECT_EQ(MulDiv(t.a, t.b, t.c), t.expected) << "MulDiv(" << t.a << ", " << t.b << ", " << t.c << ")";
}

TEST(Bands, EachGradientChoosesEndsDirectionAndMirroring)
{
    struct Case {
        const char* effect;
        Gradient gradient;
        Color from, to;
        bool columns, mirrored;
    };
    const Color start = 0x111111, end = 0x222222;
    for (const Case& c : {
             Case{"bdUp", LinearGradient(0, start, end), start, end, false, false},
             Case{"bdDown", LinearGradient(1, start, end), end, start, false, false},
             Case{"bdLeft", LinearGradient(2, start, end), start, end, true, false},
             Case{"bdRight", LinearGradient(3, start, end), end, start, true, false},
             Case{"bdHorzIn", MirroredGradient(false, false, start, end), start, end, false, true},
             Case{"bdHorzOut", MirroredGradient(true, false, start, end), end, start, false, true},
             Case{"bdVertIn", MirroredGradient(false, true, start, end), start, end, true, true},
             Case{"bdVertOut", MirroredGradient(true, true, start, end), end, start, true, true},
         }) {
        EXPECT_EQ(c.gradient.from, c.from) << c.effect;
        EXPECT_EQ(c.gradient.to, c.to) << c.effect;
        EXPECT_EQ(c.gradient.columns, c.columns) << c.effect;
        EXPECT_EQ(c.gradient.mirrored, c.mirrored) << c.effect;
    }
}

TEST(Bands, FiftyRowsShowOnlyTheEvenEntries)
{
    const std::vector<int> shown = EntryPerLine(LinearGradient(0, 0, 0), 50);
    for (int row = 0; row < 50; ++row) EXPECT_EQ(shown[static_cast<std::size_t>(row)], 2 * row) << "row " << row;
    EXPECT_EQ(BandRect(LinearGradient(0, 0, 0), 1, 185, 50), (Rect{0, 1, 185, 1})) << "band 1 is empty";
}

TEST(Bands, MirroredRunsOutThroughTheOddEntriesAndBackThroughTheEven)
{
    const std::vector<int> shown = EntryPerLine(MirroredGradient(false, false, 0, 0), 100);
    EXPECT_EQ(shown[0], 1);
    EXPECT_EQ(shown[1], 3);
    EXPECT_EQ(shown[49], 99);
    EXPECT_EQ(shown[50], 98);
    EXPECT_EQ(shown[98], 2);
    EXPECT_EQ(shown[99], 0);
}

TEST(Bands, CoverThePanelWithoutGapOrOverlap)
{
    for (const Gradient& g : {LinearGradient(0, 0, 0), LinearGradient(3, 0, 0), MirroredGradient(true, true, 0, 0)}) {
        for (int size : {1, 41, 99, 185, 1024}) {
            int next = 0;
            for (int k = 0; k < kColorCount; ++k) {
                const Rect band = BandRect(g, k, size, size);
                EXPECT_EQ(g.columns ? band.left : band.top, next) << "size " << size << ", band " << k;
                EXPECT_EQ(g.columns ? (Rect{band.left, 0, band.right, size}) : (Rect{0, band.top, size, band.bottom}),
                          band)
                    << "bands span the panel across";
                next = g.columns ? band.right : band.bottom;
            }
            EXPECT_EQ(next, size) << "size " << size;
        }
    }
}

TEST(Caption, ReferencePointAndAnchorForEveryPlacement)
{
    // 201 x 101, border 2 + bevel 1 (b = 3), "^_" 13 high: the divisions by 2 truncate.
    struct XCase {
        TTextRotation rotation;
        TextAlign alignment;
        int x;
    };
    struct YCase {
        TTextRotation rotation;
        TVertAlign vertAlign;
        int y;
    };
    const XCase xs[] = {
        {trNone, TextAlign::LeftJustify, 5}, {trNone, TextAlign::RightJustify, 196}, {trNone, TextAlign::Center, 100},
        {TrUp, TextAlign::LeftJustify, 5},   {TrUp, TextAlign::RightJustify, 184},   {TrUp, TextAlign::Center, 94},
        {TrDown, TextAlign::LeftJustify, 17}, {TrDown, TextAlign::RightJustify, 196}, {TrDown, TextAlign::Center, 106},
    };
    const YCase ys[] = {
        {trNone, vlTop, 5}, {trNone, vlCenter, 44}, {trNone, VlBottom, 84},
        {TrUp, vlTop, 5},   {TrUp, vlCenter, 44},   {TrUp, VlBottom, 97},
        {TrDown, vlTop, 4}, {TrDown, vlCenter, 44}, {TrDown, VlBottom, 96},
    };
    // Unrotated the anchor follows the alignment; rotated, the vertical placement.
    const auto anchorOf = [](TTextRotation rotation, TextAlign alignment, TVertAlign vertAlign) {
        if (rotation == trNone)
            return alignment == TextAlign::LeftJustify    ? TextAnchor::Left
                   : alignment == TextAlign::RightJustify ? TextAnchor::Right
                                                          : TextAnchor::Center;
        if (vertAlign == vlCenter) return TextAnchor::Center;
        const bool atStart = (rotation == TrUp) == (vertAlign == VlBottom);
        return atStart ? TextAnchor::Left : TextAnchor::Right;
    };
    for (const XCase& x : xs)
        for (const YCase& y : ys) {
            if (y.rotation != x.rotation) continue;
            const CaptionLayout layout{.width = 201, .height = 101, .borderWidth = 2, .bevelWidth = 1,
                                       .textHeight = 13, .alignment = x.alignment, .vertAlign = y.vertAlign,
                                       .rotation = x.rotation};
            const CaptionPlacement expected{{x.x, y.y}, anchorOf(x.rotation, x.alignment, y.vertAlign)};
            const CaptionPlacement got = PlaceCaption(layout);
            EXPECT_EQ(got, expected) << "rotation " << int(x.rotation) << ", alignment " << int(x.alignment)
                                     << ", vertical " << int(y.vertAlign) << ": got (" << got.reference.x << ", "
                                     << got.reference.y << ") anchor " << int(got.anchor);
        }
}

TEST(Caption, CopiesOfEachEffectInWritingOrder)
{
    struct Case {
        TTextEffect effect;
        TTextRotation rotation;
        const char* copies;
    };
    for (const Case& c : {
             Case{tenone, trNone, "(0,0)F"},
             Case{tenone, TrDown, "(0,0)F"},
             Case{teShadow, trNone, "(2,2)S (0,0)F"},
             Case{teShadow, TrUp, "(1,1)S (0,0)F"},
             Case{teShadow, TrDown, "(1,1)S (0,0)F"},
             Case{teRaised, trNone, "(-1,0)S (0,-1)S (1,0)B (0,1)B (0,0)F"},
             Case{teRaised, TrUp, "(-1,0)S (0,-1)S (1,0)B (0,1)B (0,0)F"},
             Case{teLowered, trNone, "(1,0)S (0,1)S (-1,0)B (0,-1)B (0,0)F"},
             Case{teEmbossed, trNone, "(-1,0)S (1,0)S (0,-1)S (0,1)S (0,0)F"},
             Case{teEmbossed, TrDown, "(0,-1)S (0,1)S (-1,0)S (1,0)S (0,0)F"},
         })
        EXPECT_EQ(Describe(TextCopies(c.effect, c.rotation)), c.copies)
            << "effect " << int(c.effect) << ", rotation " << int(c.rotation);
}

TEST(Picture, TileGridStartsAtTheInsetAndRunsPastTheEdges)
{
    struct Case {
        int width, height, inset, columns, rows;
    };
    for (const Case& c : {Case{185, 41, 0, 4, 1}, Case{185, 41, ImageInset(true, 2, 3), 4, 1},
                          Case{200, 100, 0, 5, 3}, Case{10, 10, 20, 1, 1}, Case{10, 10, 30, 0, 0},
                          Case{10, 200, 30, 0, 0}}) {
        const TileGrid grid = TileImage(c.width, c.height, c.inset, 50, 50);
        EXPECT_EQ(grid.columns, c.columns) << c.width << " x " << c.height << ", inset " << c.inset;
        EXPECT_EQ(grid.rows, c.rows) << c.width << " x " << c.height << ", inset " << c.inset;
        if (grid.columns > 0) {
            EXPECT_EQ(grid.origin, (Point{c.inset, c.inset}));
        }
    }
}

TEST(Picture, InsetOnlyWithCtl3D)
{
    EXPECT_EQ(ImageInset(true, 2, 3), 7);
    EXPECT_EQ(ImageInset(false, 2, 3), 0);
    EXPECT_EQ(StretchTarget(185, 41, 0), (Rect{0, 0, 184, 40}));
    EXPECT_EQ(StretchTarget(185, 41, 7), (Rect{7, 7, 177, 33}));
}

TEST(Frame, InnerBevelStandsOnePixelInWithoutOuterBevel)
{
    const Frame frame = FrameOf({.width = 100, .height = 60, .bevelOuter = BevelKind::None,
                                 .bevelInner = BevelKind::Raised, .bevelWidth = 1});
    ASSERT_EQ(frame.lines.size(), 4u);
    EXPECT_EQ(frame.lines[0], (FrameLine{{1, 1}, {99, 1}, 0xFFFFFF}));
    EXPECT_EQ(frame.lines[1], (FrameLine{{1, 1}, {1, 59}, 0xFFFFFF}));
    EXPECT_EQ(frame.lines[2], (FrameLine{{1, 58}, {99, 58}, 0x808080}));
    EXPECT_EQ(frame.lines[3], (FrameLine{{98, 58}, {98, 1}, 0x808080}));
}

TEST(Frame, RingOutlinesOnlyWithCtl3DAndInnerBevel)
{
    FrameLayout layout{.width = 100, .height = 60, .bevelOuter = BevelKind::Raised, .bevelInner = BevelKind::Lowered,
                       .bevelWidth = 2, .borderWidth = 3, .ctl3d = true};
    const Frame frame = FrameOf(layout);
    ASSERT_EQ(frame.ringOutlines.size(), 3u);
    EXPECT_EQ(frame.ringOutlines[0], (Rect{2, 2, 98, 58}));
    EXPECT_EQ(frame.ringOutlines[2], (Rect{4, 4, 96, 56}));
    // The inner bevel begins where the ring ends.
    EXPECT_EQ(frame.lines[8], (FrameLine{{5, 5}, {95, 5}, 0x808080}));

    layout.ctl3d = false;
    EXPECT_TRUE(FrameOf(layout).ringOutlines.empty());
    layout.ctl3d = true;
    layout.bevelInner = BevelKind::None;
    EXPECT_TRUE(FrameOf(layout).ringOutlines.empty());
    layout.bevelOuter = BevelKind::None;
    layout.bevelInner = BevelKind::Space;
    const Frame flat = FrameOf(layout);
    ASSERT_EQ(flat.ringOutlines.size(), 3u);
    EXPECT_EQ(flat.ringOutlines[0], (Rect{1, 1, 99, 59}));
    EXPECT_EQ(flat.lines[0].color, 0x808080u) << "a space bevel takes the lowered colours";
}

TEST(HitTest, EdgeZonesInTheirOrder)
{
    struct Case {
        int x, y, marge;
        HitZone expected;
    };
    // A 100 x 60 panel.
    for (const Case& c : {
             Case{0, 0, 6, kHitTopLeft},       Case{5, 5, 6, kHitTopLeft},      Case{6, 5, 6, kHitTop},
             Case{5, 54, 6, kHitLeft},         Case{5, 55, 6, kHitBottomLeft},  Case{95, 0, 6, kHitTopRight},
             Case{94, 0, 6, kHitTop},          Case{99, 59, 6, kHitBottomRight}, Case{95, 30, 6, kHitRight},
             Case{94, 30, 6, kHitCaption},     Case{50, 55, 6, kHitBottom},     Case{50, 30, 6, kHitCaption},
             // No edge zone at all.
             Case{0, 0, 0, kHitCaption},       Case{99, 59, 0, kHitCaption},    Case{0, 59, 0, kHitCaption},
             // Wider than half the panel: left before right, top before bottom.
             Case{60, 50, 70, kHitTopLeft},    Case{69, 30, 70, kHitTopLeft},   Case{70, 30, 70, kHitTopRight},
             Case{99, 59, 70, kHitTopRight},   Case{50, 30, 40, kHitTop},       Case{50, 45, 40, kHitBottom},
         })
        EXPECT_EQ(HitTest(c.x, c.y, 100, 60, c.marge), c.expected)
            << "(" << c.x << ", " << c.y << ") with Marge " << c.marge;
}
