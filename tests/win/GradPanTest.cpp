// The gradient panel under Wine: panels painted into memory bitmaps and read
// pixel by pixel, real hit tests and moves of their windows.
#include "classlib/Application.h"
#include "classlib/Forms.h"
#include "components/GradPan.h"
#include "WinTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

using namespace classlib;
using wintest::ClientPicture;
using wintest::FlushEvents;

namespace {

using wintest::Hex;
std::string Describe(const RECT& r) { return wintest::DescribeEdges(r); }

class THostForm : public Form {
public:
    THostForm() : Form("TGradPanHost") {}

protected:
    void CreateComponents() override
    {
        static const Layout<THostForm> layout{
            .form = {.caption = "Gradient panels", .clientWidth = 480, .clientHeight = 320, .visible = true},
            .controls = {}};
        Build(*this, layout);
    }
};

THostForm* Host()
{
    return wintest::HostForm<THostForm>();
}

// Counts the panel's paints, whatever asked for them.
class CountingGradPan : public TGradPan {
public:
    using TGradPan::TGradPan;
    int paints = 0;

protected:
    void Paint(Canvas& canvas) override
    {
        ++paints;
        TGradPan::Paint(canvas);
    }
};

// A panel on the host form at (10, 10) without caption, set up by `setup`
// before its window is made.
template <class Panel = TGradPan>
std::unique_ptr<Panel> NewPanel(int width, int height,
                                const std::type_identity_t<std::function<void(Panel&)>>& setup = {})
{
    auto panel = std::make_unique<Panel>(Host());
    panel->SetBounds({10, 10, width, height});
    if (setup) setup(*panel);
    panel->CreateHandle();
    FlushEvents(30);
    return panel;
}

RECT Offset(RECT r, int dx, int dy)
{
    OffsetRect(&r, dx, dy);
    return r;
}

RECT Inflated(RECT r, int by)
{
    InflateRect(&r, by, by);
    return r;
}

bool Empty(const RECT& r)
{
    return r.right <= r.left || r.bottom <= r.top;
}

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr COLORREF kBlack = RGB(0, 0, 0);

void ExpectPixel(const ClientPicture& picture, int x, int y, COLORREF expected, const std::string& what)
{
    EXPECT_EQ(Hex(picture.Pixel(x, y)), Hex(expected)) << what << " at (" << x << ", " << y << ")";
}

} // namespace

// --- Background ---

TEST(GradPanBackground, FreshPanelShowsVerticalBandsFromTealToNearlyWhite)
{
    TGradPan panel(Host());
    panel.CreateHandle();
    ClientPicture picture(panel.Handle());
    ASSERT_EQ(picture.Width(), 185) << "the platform panel's default size";
    ASSERT_EQ(picture.Height(), 41) << "the platform panel's default size";
    struct Column {
        int x;
        COLORREF color;
    };
    // Band 0 (columns 0 and 1) shows entry 1, bands 49 and 50 entries 99 and 98,
    // band 99 (columns 183 and 184) entry 0, which is 0x808000 itself.
    for (const Column& c : {Column{1, 0x818102}, Column{92, 0xFDFDFC}, Column{93, 0xFCFCF9}, Column{183, 0x808000}})
        for (int y = 1; y < 40; ++y) ExpectPixel(picture, c.x, y, c.color, "band");
    // The raised outer bevel one pixel wide, in fixed colours.
    ExpectPixel(picture, 0, 20, kWhite, "left bevel");
    ExpectPixel(picture, 92, 0, kWhite, "top bevel");
    ExpectPixel(picture, 184, 20, kGrey, "right bevel");
    ExpectPixel(picture, 92, 40, kGrey, "bottom bevel");
    EXPECT_EQ(panel.ColorTable()[0], 0x808000u);
    EXPECT_EQ(panel.ColorTable()[99], 0xFDFDFCu);
}

TEST(GradPanBackground, EveryGradientPaintsItsBandsExactly)
{
    // Red from 255 to 0 (table A) or from 0 to 255 (table B) on 100 x 100: one line per band.
    struct Case {
        TDirection effect;
        const char* name;
        bool columns;
        int red[7];  // at lines 0, 1, 20, 49, 50, 98, 99
    };
    const int lines[7] = {0, 1, 20, 49, 50, 98, 99};
    for (const Case& c : {
             Case{bdUp, "bdUp", false, {255, 252, 204, 130, 127, 5, 2}},
             Case{bdDown, "bdDown", false, {0, 2, 50, 124, 127, 249, 252}},
             Case{bdLeft, "bdLeft", true, {255, 252, 204, 130, 127, 5, 2}},
             Case{bdRight, "bdRight", true, {0, 2, 50, 124, 127, 249, 252}},
             // Mirrored: A[1], A[3], A[41], A[99], then A[98], A[2], A[0].
             Case{bdHorzIn, "bdHorzIn", false, {252, 247, 150, 2, 5, 249, 255}},
             Case{bdHorzOut, "bdHorzOut", false, {2, 7, 104, 252, 249, 5, 0}},
             Case{bdVertIn, "bdVertIn", true, {252, 247, 150, 2, 5, 249, 255}},
             Case{bdVertOut, "bdVertOut", true, {2, 7, 104, 252, 249, 5, 0}},
         }) {
        auto panel = NewPanel(100, 100, [&](TGradPan& p) {
            p.SetBevelOuter(Bevel::None);
            p.SetColorStart(RGB(255, 0, 0));
            p.SetColorEnd(RGB(0, 0, 0));
            p.SetBackGroundEffect(c.effect);
        });
        ClientPicture picture(panel->Handle());
        for (int i = 0; i < 7; ++i) {
            const int line = lines[i];
            // The whole band, across the panel.
            for (int across = 0; across < 100; ++across) {
                const int x = c.columns ? line : across, y = c.columns ? across : line;
                if (picture.Pixel(x, y) != RGB(c.red[i], 0, 0)) {
                    ADD_FAILURE() << c.name << ": line " << line << " at (" << x << ", " << y << ") is "
                                  << Hex(picture.Pixel(x, y)) << ", expected red " << c.red[i];
                    break;
                }
            }
        }
    }
}

TEST(GradPanBackground, BlueChannelOfTheBackgroundWindowsGradient)
{
    auto panel = NewPanel(185, 100, [](TGradPan& p) {
        p.SetBevelOuter(Bevel::None);
        p.SetColorStart(0xFF0000);
        p.SetColorEnd(0);
        p.SetBackGroundEffect(bdUp);
    });
    ClientPicture picture(panel->Handle());
    ExpectPixel(picture, 90, 0, 0xFF0000, "band 0");
    ExpectPixel(picture, 90, 1, 0xFC0000, "band 1");
    ExpectPixel(picture, 90, 20, 0xCC0000, "band 20");
    ExpectPixel(picture, 90, 99, 0x020000, "band 99, not black");
}

TEST(GradPanBackground, FiftyRowsShowOnlyTheEvenEntries)
{
    auto panel = NewPanel(185, 50, [](TGradPan& p) {
        p.SetBevelOuter(Bevel::None);
        p.SetColorStart(RGB(255, 0, 0));
        p.SetColorEnd(RGB(0, 0, 0));
        p.SetBackGroundEffect(bdUp);
    });
    ClientPicture picture(panel->Handle());
    ExpectPixel(picture, 50, 0, RGB(255, 0, 0), "entry 0");
    ExpectPixel(picture, 50, 1, RGB(249, 0, 0), "entry 2");
    ExpectPixel(picture, 50, 10, RGB(204, 0, 0), "entry 20");
    ExpectPixel(picture, 50, 25, RGB(127, 0, 0), "entry 50");
    ExpectPixel(picture, 50, 49, RGB(5, 0, 0), "entry 98");
    std::set<COLORREF> rows;
    for (int y = 0; y < 50; ++y) rows.insert(picture.Pixel(50, y));
    EXPECT_EQ(rows.size(), 50u) << "every row its own entry";
}

TEST(GradPanBackground, EqualColoursGiveOneColourForEveryGradient)
{
    for (TDirection effect : {bdUp, bdDown, bdLeft, bdRight, bdHorzIn, bdHorzOut, bdVertIn, bdVertOut}) {
        auto panel = NewPanel(120, 60, [&](TGradPan& p) {
            p.SetBevelOuter(Bevel::None);
            p.SetColorStart(0x336699);
            p.SetColorEnd(0x336699);
            p.SetBackGroundEffect(effect);
        });
        ClientPicture picture(panel->Handle());
        EXPECT_TRUE(Empty(picture.InkBounds(0x336699)))
            << "effect " << int(effect) << ": other colours in " << Describe(picture.InkBounds(0x336699));
    }
}

TEST(GradPanBackground, SystemColourIsResolvedFlatAndTakenAsBitsByGradients)
{
    auto flat = NewPanel(120, 60, [](TGradPan& p) {
        p.SetBevelOuter(Bevel::None);
        p.SetColorStart(clBtnFace);
        p.SetBackGroundEffect(bdFlat);
    });
    ClientPicture flatPicture(flat->Handle());
    EXPECT_TRUE(Empty(flatPicture.InkBounds(GetSysColor(COLOR_BTNFACE))))
        << "not all the button face colour " << Hex(GetSysColor(COLOR_BTNFACE)) << ", e.g. "
        << Hex(flatPicture.Pixel(60, 30));

    auto gradient = NewPanel(120, 60, [](TGradPan& p) {
        p.SetBevelOuter(Bevel::None);
        p.SetColorStart(clBtnFace);
        p.SetColorEnd(clBtnFace);
        p.SetBackGroundEffect(bdUp);
    });
    ClientPicture gradientPicture(gradient->Handle());
    EXPECT_TRUE(Empty(gradientPicture.InkBounds(RGB(15, 0, 0))))
        << "0x8000000F is red 15 to a gradient, e.g. " << Hex(gradientPicture.Pixel(60, 30));
}

// --- Pictures ---

namespace {

// The placeholder picture tiled from (left, top): black outline at columns
// and rows 0 and 48 of each 50 x 50 tile, white elsewhere (column and row 49 too).
COLORREF TileAt(int x, int y, int left, int top)
{
    const int u = (x - left) % 50, v = (y - top) % 50;
    const bool outline = ((u == 0 || u == 48) && v <= 48) || ((v == 0 || v == 48) && u <= 48);
    return outline ? kBlack : kWhite;
}

} // namespace

TEST(GradPanPicture, PlaceholderTilesFourColumnsAndOneRow)
{
    auto panel = NewPanel(185, 41, [](TGradPan& p) {
        p.SetBevelOuter(Bevel::None);
        p.SetBackGroundEffect(bdTileImage);
    });
    ClientPicture picture(panel->Handle());
    int wrong = 0;
    for (int y = 0; y < 41; ++y)
        for (int x = 0; x < 185; ++x)
            if (picture.Pixel(x, y) != TileAt(x, y, 0, 0) && ++wrong <= 5)
                ADD_FAILURE() << "(" << x << ", " << y << ") is " << Hex(picture.Pixel(x, y));
    EXPECT_EQ(wrong, 0);
    // The fourth tile starts at 150 and is cut by the edge.
    ExpectPixel(picture, 150, 20, kBlack, "fourth tile's left outline");
    ExpectPixel(picture, 184, 0, kBlack, "fourth tile's top outline at the edge");
}

TEST(GradPanPicture, Ctl3DTilesStartInsideTheFrame)
{
    auto panel = NewPanel(185, 41, [](TGradPan& p) {
        p.SetBevelWidth(2);
        p.SetBorderWidth(3);
        p.SetCtl3D(true);
        p.SetBackGroundEffect(bdTileImage);
    });
    ClientPicture picture(panel->Handle());
    const COLORREF face = ColorToRGB(panel->Color());
    for (int y = 7; y < 39; ++y)
        for (int x = 7; x < 183; ++x)
            if (picture.Pixel(x, y) != TileAt(x, y, 7, 7)) {
                ADD_FAILURE() << "tile pixel (" << x << ", " << y << ") is " << Hex(picture.Pixel(x, y));
                return;
            }
    // Left of and above the tiles the panel's own painting shows: its border ring and interior.
    for (int at : {2, 4, 5, 6}) {
        ExpectPixel(picture, at, 20, face, "left of the tiles");
        ExpectPixel(picture, 90, at, face, "above the tiles");
    }
    ExpectPixel(picture, 1, 20, kWhite, "outer bevel");
}

TEST(GradPanPicture, StretchedPictureLeavesTheLastColumnAndRow)
{
    classlib::Bitmap quadrants;
    quadrants.SetSize(2, 2);
    const COLORREF colors[2][2] = {{RGB(255, 0, 0), RGB(0, 255, 0)}, {RGB(0, 0, 255), RGB(255, 255, 0)}};
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c) quadrants.GetCanvas().FillRect({c, r, c + 1, r + 1}, colors[r][c]);

    for (bool ctl3d : {false, true}) {
        auto panel = NewPanel(185, 41, [&](TGradPan& p) {
            p.SetBevelOuter(Bevel::None);
            p.SetCtl3D(ctl3d);
            p.SetBackGroundEffect(bdStretchImage);
            p.SetBitmap(&quadrants);
        });
        ClientPicture picture(panel->Handle());
        const COLORREF face = ColorToRGB(panel->Color());
        const int a = ctl3d ? 2 : 0;  // twice the bevel width
        const std::string what = ctl3d ? "with Ctl3D" : "without Ctl3D";
        ExpectPixel(picture, a, a, colors[0][0], what);
        ExpectPixel(picture, 183 - a, a, colors[0][1], what);
        ExpectPixel(picture, a, 39 - a, colors[1][0], what);
        ExpectPixel(picture, 183 - a, 39 - a, colors[1][1], what);
        // Whole pixels of the picture, no blends of neighbours.
        const std::set<COLORREF> pictureColors{colors[0][0], colors[0][1], colors[1][0], colors[1][1]};
        int blended = 0;
        for (int y = a; y < 40 - a; ++y)
            for (int x = a; x < 184 - a; ++x)
                if (!pictureColors.count(picture.Pixel(x, y)) && ++blended == 1)
                    ADD_FAILURE() << what << ": (" << x << ", " << y << ") is " << Hex(picture.Pixel(x, y));
        EXPECT_EQ(blended, 0) << what;
        for (int y = 0; y < 41; ++y) ExpectPixel(picture, 184 - a, y, face, what + ", column past the picture");
        for (int x = 0; x < 185; ++x) ExpectPixel(picture, x, 40 - a, face, what + ", row past the picture");
        if (ctl3d) ExpectPixel(picture, 1, 20, face, what + ", left of the picture");
    }
}

TEST(GradPanPicture, ThePanelsOwnPaintingShowsWhereThePictureLeavesOff)
{
    // Without an outer bevel the platform panel draws its inner bevel at the
    // edge (in the system colours), where the stretched picture does not
    // reach on the right and at the bottom; the frame's own inner bevel stands
    // one pixel in.
    auto panel = NewPanel(185, 41, [](TGradPan& p) {
        p.SetBevelOuter(Bevel::None);
        p.SetBevelInner(Bevel::Raised);
        p.SetBackGroundEffect(bdStretchImage);
    });
    ClientPicture picture(panel->Handle());
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    ExpectPixel(picture, 184, 20, shadow, "the panel's own right bevel");
    ExpectPixel(picture, 90, 40, shadow, "the panel's own bottom bevel");
    ExpectPixel(picture, 183, 20, kGrey, "the frame's inner bevel");
}

TEST(GradPanPicture, AssignmentCopiesThePixels)
{
    classlib::Bitmap source;
    source.SetSize(3, 2);
    source.GetCanvas().FillRect({0, 0, 3, 2}, RGB(255, 0, 0));
    auto panel = NewPanel(60, 40);
    panel->SetBitmap(&source);
    source.GetCanvas().FillRect({0, 0, 3, 2}, RGB(0, 0, 255));
    EXPECT_EQ(panel->Bitmap().Width(), 3);
    EXPECT_EQ(panel->Bitmap().Height(), 2);
    EXPECT_EQ(Hex(GetPixel(panel->Bitmap().Handle(), 2, 1)), Hex(RGB(255, 0, 0))) << "the panel keeps its own copy";
}

// --- Repainting ---

TEST(GradPanRepaint, EverySetterRepaintsEvenWithItsCurrentValue)
{
    auto panel = NewPanel<CountingGradPan>(120, 60);
    FlushEvents();
    struct Case {
        const char* setter;
        std::function<void(TGradPan&)> set;
    };
    const Case cases[] = {
        {"SetBackGroundEffect", [](TGradPan& p) { p.SetBackGroundEffect(p.BackGroundEffect()); }},
        {"SetVertAlign", [](TGradPan& p) { p.SetVertAlign(p.VertAlign()); }},
        {"SetColorEnd", [](TGradPan& p) { p.SetColorEnd(p.ColorEnd()); }},
        {"SetColorStart", [](TGradPan& p) { p.SetColorStart(p.ColorStart()); }},
        {"SetColorShadow", [](TGradPan& p) { p.SetColorShadow(p.ColorShadow()); }},
        {"SetTextEffect", [](TGradPan& p) { p.SetTextEffect(p.TextEffect()); }},
        {"SetTextRotation", [](TGradPan& p) { p.SetTextRotation(p.TextRotation()); }},
        {"SetCtl3D", [](TGradPan& p) { p.SetCtl3D(p.Ctl3D()); }},
    };
    for (const Case& c : cases) {
        const int before = panel->paints;
        c.set(*panel);
        EXPECT_EQ(panel->paints, before + 1) << c.setter << " must repaint before it returns";
    }
    const int before = panel->paints;
    panel->Marge = 3;
    panel->Moveable = true;
    FlushEvents(50);
    EXPECT_EQ(panel->paints, before) << "Marge and Moveable are plain fields";
}

TEST(GradPanRepaint, DrawingOnThePictureRepaintsOnlyWhileItShows)
{
    auto panel = NewPanel<CountingGradPan>(120, 60, [](TGradPan& p) { p.SetBackGroundEffect(bdTileImage); });
    FlushEvents();
    int before = panel->paints;
    panel->Bitmap().GetCanvas().FillRect({10, 10, 20, 20}, RGB(255, 0, 0));
    EXPECT_EQ(panel->paints, before + 1) << "bdTileImage";
    {
        ClientPicture picture(panel->Handle());
        ExpectPixel(picture, 15, 15, RGB(255, 0, 0), "the drawing in the first tile");
        ExpectPixel(picture, 65, 15, RGB(255, 0, 0), "the drawing in the second tile");
    }

    panel->SetBackGroundEffect(bdLeft);
    before = panel->paints;
    panel->Bitmap().GetCanvas().FillRect({10, 10, 20, 20}, RGB(0, 255, 0));
    FlushEvents(50);
    EXPECT_EQ(panel->paints, before) << "bdLeft";
}

TEST(GradPanRepaint, AssigningNoPictureEmptiesItAndThePanelGoesFlat)
{
    auto panel = NewPanel<CountingGradPan>(120, 60, [](TGradPan& p) {
        p.SetBevelOuter(Bevel::None);
        p.SetColorStart(RGB(0, 128, 0));
        p.SetBackGroundEffect(bdStretchImage);
    });
    FlushEvents();
    const int before = panel->paints;
    panel->SetBitmap(nullptr);
    EXPECT_TRUE(panel->Bitmap().Empty());
    EXPECT_EQ(panel->paints, before + 1);
    ClientPicture picture(panel->Handle());
    EXPECT_TRUE(Empty(picture.InkBounds(RGB(0, 128, 0)))) << "e.g. " << Hex(picture.Pixel(60, 30));
}

// --- Frame ---

namespace {

// One bevel ring `at` pixels in: top and left rows in `topLeft` up to the top
// right corner, bottom and right in `bottomRight` from the bottom left corner.
void ExpectRing(const ClientPicture& picture, int at, COLORREF topLeft, COLORREF bottomRight, const std::string& what)
{
    const int w = picture.Width(), h = picture.Height();
    const std::string ring = what + ", ring " + std::to_string(at);
    ExpectPixel(picture, at, at, topLeft, ring + " top left");
    ExpectPixel(picture, w / 2, at, topLeft, ring + " top");
    ExpectPixel(picture, w - 1 - at, at, topLeft, ring + " top right");
    ExpectPixel(picture, at, h / 2, topLeft, ring + " left");
    ExpectPixel(picture, at, h - 1 - at, bottomRight, ring + " bottom left");
    ExpectPixel(picture, w / 2, h - 1 - at, bottomRight, ring + " bottom");
    ExpectPixel(picture, w - 1 - at, h / 2, bottomRight, ring + " right");
    ExpectPixel(picture, w - 1 - at, h - 1 - at, bottomRight, ring + " bottom right");
}

} // namespace

TEST(GradPanFrame, BevelsInFixedColoursEachKind)
{
    constexpr COLORREF background = RGB(0, 255, 0);
    struct Case {
        Bevel outer, inner;
        int bevelWidth, borderWidth;
        const char* name;
        // Rings: offset, top-left, bottom-right; then offsets that show the background.
        std::vector<std::tuple<int, COLORREF, COLORREF>> rings;
        std::vector<int> clear;
    };
    const Case cases[] = {
        {Bevel::Raised, Bevel::None, 2, 0, "raised 2", {{0, kWhite, kGrey}, {1, kWhite, kGrey}}, {2}},
        {Bevel::Lowered, Bevel::None, 2, 0, "lowered 2", {{0, kGrey, kWhite}, {1, kGrey, kWhite}}, {2}},
        {Bevel::Space, Bevel::None, 1, 0, "space", {{0, kGrey, kWhite}}, {1}},
        {Bevel::None, Bevel::Raised, 1, 0, "inner only", {{1, kWhite, kGrey}}, {0, 2}},
        {Bevel::Raised, Bevel::Lowered, 1, 2, "outer, border 2, inner", {{0, kWhite, kGrey}, {3, kGrey, kWhite}},
         {1, 2, 4}},
        {Bevel::None, Bevel::None, 1, 0, "none", {}, {0, 1}},
    };
    for (const Case& c : cases) {
        auto panel = NewPanel(80, 50, [&](TGradPan& p) {
            p.SetBevelOuter(c.outer);
            p.SetBevelInner(c.inner);
            p.SetBevelWidth(c.bevelWidth);
            p.SetBorderWidth(c.borderWidth);
            p.SetColorStart(background);
            p.SetBackGroundEffect(bdFlat);
        });
        ClientPicture picture(panel->Handle());
        for (const auto& [at, topLeft, bottomRight] : c.rings) ExpectRing(picture, at, topLeft, bottomRight, c.name);
        for (int at : c.clear) ExpectRing(picture, at, background, background, std::string(c.name) + ", background");
    }
}

TEST(GradPanFrame, Ctl3DPaintsTheBorderRingInThePanelColour)
{
    constexpr COLORREF background = RGB(0, 255, 0);
    constexpr COLORREF panelColor = RGB(255, 255, 0);
    for (bool ctl3d : {false, true}) {
        auto panel = NewPanel(80, 50, [&](TGradPan& p) {
            p.SetColor(panelColor);
            p.SetBevelInner(Bevel::Lowered);
            p.SetBorderWidth(2);
            p.SetCtl3D(ctl3d);
            p.SetColorStart(background);
            p.SetBackGroundEffect(bdFlat);
        });
        ClientPicture picture(panel->Handle());
        const std::string what = ctl3d ? "Ctl3D" : "no Ctl3D";
        ExpectRing(picture, 0, kWhite, kGrey, what);
        const COLORREF ring = ctl3d ? panelColor : background;
        ExpectRing(picture, 1, ring, ring, what + ", border");
        ExpectRing(picture, 2, ring, ring, what + ", border");
        ExpectRing(picture, 3, kGrey, kWhite, what + ", inner bevel");
        ExpectRing(picture, 4, background, background, what + ", inside");
    }
}

// --- Caption ---

namespace {

constexpr COLORREF kPaper = RGB(255, 255, 255);
constexpr COLORREF kInk = RGB(0, 0, 255);
constexpr COLORREF kShade = RGB(255, 0, 0);
constexpr const char* kCaption = "Mail Server";

// A TrueType face: the system turns no raster font.
const FontDesc kCaptionFont{.name = "Tahoma", .height = -13, .color = kInk};

struct Painted {
    RECT font, shadow, black;  // the pixels of exactly these colours
    SIZE text;                 // the caption's extent
    int th;                    // the height of "^_"
};

Painted PaintCaption(int width, int height, const std::function<void(TGradPan&)>& setup)
{
    auto panel = NewPanel(width, height, [&](TGradPan& p) {
        p.SetBevelOuter(Bevel::None);
        p.SetBorderWidth(2);  // with the bevel width 1: b = 3
        p.SetFont(kCaptionFont);
        p.SetCaption(kCaption);
        p.SetColorStart(kPaper);
        p.SetColorShadow(kShade);
        p.SetBackGroundEffect(bdFlat);
        setup(p);
    });
    ClientPicture picture(panel->Handle());
    Painted painted{picture.BoundsOf(kInk), picture.BoundsOf(kShade), picture.BoundsOf(kBlack), {}, 0};
    painted.text = Canvas(picture.Handle()).TextExtent(kCaption, panel->GetFont());
    painted.th = Canvas(picture.Handle()).TextExtent("^_", panel->GetFont()).cy;
    return painted;
}

// The ink lies inside `cell` and reaches within `slack` pixels of the sides
// the caption is anchored to.
void ExpectInCell(const RECT& ink, const RECT& cell, const char* anchoredSides, const std::string& what)
{
    constexpr int slack = 3;
    ASSERT_FALSE(Empty(ink)) << what << ": no caption drawn";
    const std::string where = what + ": ink " + Describe(ink) + ", cell " + Describe(cell);
    EXPECT_GE(ink.left, cell.left) << where;
    EXPECT_GE(ink.top, cell.top) << where;
    EXPECT_LE(ink.right, cell.right) << where;
    EXPECT_LE(ink.bottom, cell.bottom) << where;
    const std::string sides = anchoredSides;
    const auto anchored = [&](char side) { return sides.find(side) != std::string::npos; };
    if (anchored('L')) {
        EXPECT_LE(ink.left - cell.left, slack) << where;
    }
    if (anchored('T')) {
        EXPECT_LE(ink.top - cell.top, slack) << where;
    }
    if (anchored('R')) {
        EXPECT_LE(cell.right - ink.right, slack) << where;
    }
    if (anchored('B')) {
        EXPECT_LE(cell.bottom - ink.bottom, slack) << where;
    }
    if (anchored('H')) {
        EXPECT_LE(std::abs((ink.left + ink.right) - (cell.left + cell.right)), 2 * slack) << where;
    }
    if (anchored('V')) {
        EXPECT_LE(std::abs((ink.top + ink.bottom) - (cell.top + cell.bottom)), 2 * slack) << where;
    }
}

// The character cell a caption of `len` x `th` pixels fills on a w x h panel
// with b = 3, for the placements tested below, and the sides it is anchored to
// (L, T, R, B; H and V: centred across and along).
std::pair<RECT, const char*> ExpectedCell(Alignment alignment, TTextRotation rotation, int w, int h, int b, int len,
                                          int th)
{
    switch (rotation) {
    case TrUp:
        // The cell's top faces left; the text runs upwards from its start.
        if (alignment == Alignment::LeftJustify) return {{b + 2, b + 2, b + 2 + th, b + 2 + len}, "LT"};
        if (alignment == Alignment::RightJustify)
            return {{w - b - 1 - th, h - b - 1 - len, w - b - 1, h - b - 1}, "RB"};
        {
            const int x = w / 2 - th / 2, y = h / 2 - th / 2;
            // Centred on y, rounded either way.
            return {{x, y - (len + 1) / 2, x + th, y + (len + 1) / 2}, "HV"};
        }
    case TrDown:
        // The cell's top faces right; the text runs downwards from its start.
        if (alignment == Alignment::LeftJustify) return {{b + 1, b + 1, th + b + 1, b + 1 + len}, "LT"};
        return {{w - b - 2 - th, h - b - 2 - len, w - b - 2, h - b - 2}, "RB"};
    default:
        if (alignment == Alignment::LeftJustify) return {{b + 2, b + 2, b + 2 + len, b + 2 + th}, "LT"};
        return {{w - b - 2 - len, h - b - 1 - th, w - b - 2, h - b - 1}, "RB"};
    }
}

} // namespace

TEST(GradPanCaption, ShadowUnrotatedTwoPixelsRightAndDown)
{
    const Painted p = PaintCaption(201, 61, [](TGradPan&) {});
    // Centred on 100, its cell from 30 - th / 2 down.
    const int top = 30 - p.th / 2;
    ExpectInCell(p.font, {100 - (p.text.cx + 1) / 2, top, 100 + (p.text.cx + 1) / 2, top + p.th}, "HV", "centred");
    EXPECT_EQ(Describe(p.shadow), Describe(Offset(p.font, 2, 2))) << "the shadow copy";
}

TEST(GradPanCaption, NoEffectWritesOneCopyInTheFontColour)
{
    const Painted shadowed = PaintCaption(201, 61, [](TGradPan&) {});
    const Painted plain = PaintCaption(201, 61, [](TGradPan& p) { p.SetTextEffect(tenone); });
    EXPECT_TRUE(Empty(plain.shadow)) << "shadow colour at " << Describe(plain.shadow);
    EXPECT_EQ(Describe(plain.font), Describe(shadowed.font)) << "the same place as with a shadow";
}

TEST(GradPanCaption, ReliefAndOutlineCopies)
{
    const Painted raised = PaintCaption(201, 61, [](TGradPan& p) { p.SetTextEffect(teRaised); });
    EXPECT_EQ(raised.shadow.left, raised.font.left - 1) << "raised: light copy to the left";
    EXPECT_EQ(raised.shadow.top, raised.font.top - 1) << "raised: light copy above";
    EXPECT_EQ(raised.black.right, raised.font.right + 1) << "raised: black copy to the right";
    EXPECT_EQ(raised.black.bottom, raised.font.bottom + 1) << "raised: black copy below";

    const Painted lowered = PaintCaption(201, 61, [](TGradPan& p) { p.SetTextEffect(teLowered); });
    EXPECT_EQ(lowered.black.left, lowered.font.left - 1) << "lowered: black copy to the left";
    EXPECT_EQ(lowered.black.top, lowered.font.top - 1) << "lowered: black copy above";
    EXPECT_EQ(lowered.shadow.right, lowered.font.right + 1) << "lowered: shadow copy to the right";
    EXPECT_EQ(lowered.shadow.bottom, lowered.font.bottom + 1) << "lowered: shadow copy below";

    const Painted embossed = PaintCaption(201, 61, [](TGradPan& p) { p.SetTextEffect(teEmbossed); });
    EXPECT_EQ(Describe(embossed.shadow), Describe(Inflated(embossed.font, 1))) << "embossed: outline on every side";
    EXPECT_TRUE(Empty(embossed.black));
}

TEST(GradPanCaption, PlacementsThatMatter)
{
    constexpr int w = 201, h = 121, b = 3;
    struct Case {
        const char* name;
        Alignment alignment;
        TVertAlign vertAlign;
        TTextRotation rotation;
        int shadowOffset;
    };
    for (const Case& c : {
             Case{"left top", Alignment::LeftJustify, vlTop, trNone, 2},
             Case{"right bottom", Alignment::RightJustify, VlBottom, trNone, 2},
             Case{"up, left top", Alignment::LeftJustify, vlTop, TrUp, 1},
             Case{"up, right bottom", Alignment::RightJustify, VlBottom, TrUp, 1},
             Case{"up, centred", Alignment::Center, vlCenter, TrUp, 1},
             Case{"down, left top", Alignment::LeftJustify, vlTop, TrDown, 1},
             Case{"down, right bottom", Alignment::RightJustify, VlBottom, TrDown, 1},
         }) {
        const Painted p = PaintCaption(w, h, [&](TGradPan& panel) {
            panel.SetAlignment(c.alignment);
            panel.SetVertAlign(c.vertAlign);
            panel.SetTextRotation(c.rotation);
        });
        const auto [cell, anchored] = ExpectedCell(c.alignment, c.rotation, w, h, b, p.text.cx, p.th);
        ExpectInCell(p.font, cell, anchored, c.name);
        EXPECT_EQ(Describe(p.shadow), Describe(Offset(p.font, c.shadowOffset, c.shadowOffset))) << c.name;
        const bool upright = c.rotation == trNone;
        const LONG along = upright ? p.font.right - p.font.left : p.font.bottom - p.font.top;
        EXPECT_GT(along, p.text.cx / 2) << c.name << ": the caption runs " << (upright ? "across" : "up or down");
    }
}

TEST(GradPanBackground, BandEdgesUseTheSystemsMulDiv)
{
    struct Case {
        int a, b, c;
    };
    for (const Case& t : {Case{1, 50, 100}, Case{3, 50, 100}, Case{50, 185, 100}, Case{99, 41, 100},
                          Case{1, 1, 3}, Case{2, 1, 3}, Case{-1, 1, 2}, Case{3, -50, 100}, Case{1, 50, -100},
                          Case{100000, 100000, 100}, Case{0x7FFFFFFF, 2, 1}, Case{5, 5, 0}})
        EXPECT_EQ(gradpan::MulDiv(t.a, t.b, t.c), ::MulDiv(t.a, t.b, t.c))
            << "MulDiv(" << t.a << ", " << t.b << ", " << t.c << ")";
}

// --- Hit test and moving ---

namespace {

LRESULT HitTestAt(const TGradPan& panel, int x, int y)
{
    POINT screen{x, y};
    ClientToScreen(panel.Handle(), &screen);
    return SendMessageA(panel.Handle(), WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
}

} // namespace

TEST(GradPanHitTest, NotMovableAnswersNowhereEverywhere)
{
    auto panel = NewPanel(100, 60);
    for (POINT p : {POINT{0, 0}, POINT{50, 30}, POINT{99, 59}, POINT{3, 30}})
        EXPECT_EQ(HitTestAt(*panel, p.x, p.y), HTNOWHERE) << "(" << p.x << ", " << p.y << ")";
}

TEST(GradPanHitTest, MovableAnswersByEdgeZones)
{
    auto panel = NewPanel(100, 60, [](TGradPan& p) { p.Moveable = true; });
    struct Case {
        int x, y, marge;
        LRESULT expected;
    };
    for (const Case& c : {
             Case{2, 2, 6, HTTOPLEFT},       Case{2, 57, 6, HTBOTTOMLEFT},  Case{2, 30, 6, HTLEFT},
             Case{97, 2, 6, HTTOPRIGHT},     Case{97, 57, 6, HTBOTTOMRIGHT}, Case{97, 30, 6, HTRIGHT},
             Case{50, 2, 6, HTTOP},          Case{50, 57, 6, HTBOTTOM},      Case{50, 30, 6, HTCAPTION},
             Case{6, 30, 6, HTCAPTION},      Case{94, 30, 6, HTCAPTION},     Case{95, 30, 6, HTRIGHT},
             Case{0, 0, 0, HTCAPTION},       Case{99, 59, 0, HTCAPTION},     Case{50, 30, 0, HTCAPTION},
             Case{90, 50, 70, HTTOPRIGHT},   Case{60, 50, 70, HTTOPLEFT},    Case{50, 35, 40, HTTOP},
         }) {
        panel->Marge = c.marge;
        EXPECT_EQ(HitTestAt(*panel, c.x, c.y), c.expected) << "(" << c.x << ", " << c.y << ") with Marge " << c.marge;
    }
}

TEST(GradPanMove, OnPanelMoveSeesThePlaceBeforeTheMove)
{
    auto panel = NewPanel(100, 60);
    std::vector<int> leftsSeen;
    Object* sender = nullptr;
    panel->OnPanelMove = [&](Object* from) {
        sender = from;
        leftsSeen.push_back(panel->GetBounds().left);
    };
    SetWindowPos(panel->Handle(), nullptr, 40, 25, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_EQ(leftsSeen.size(), 1u);
    EXPECT_EQ(leftsSeen[0], 10) << "Left during the event";
    EXPECT_EQ(sender, panel.get());
    EXPECT_EQ(panel->GetBounds().left, 40) << "Left after the event";
    EXPECT_EQ(panel->GetBounds().top, 25);

    MoveWindow(panel->Handle(), 70, 5, 100, 60, TRUE);
    ASSERT_EQ(leftsSeen.size(), 2u);
    EXPECT_EQ(leftsSeen[1], 40);
    EXPECT_EQ(panel->GetBounds().left, 70);
}

TEST(GradPanMove, SizingTheWindowRepaintsAtItsNewSize)
{
    auto panel = NewPanel(100, 60, [](TGradPan& p) {
        p.SetBevelOuter(Bevel::None);
        p.SetColorStart(RGB(255, 0, 0));
        p.SetColorEnd(RGB(0, 0, 0));
        p.SetBackGroundEffect(bdLeft);
    });
    SetWindowPos(panel->Handle(), nullptr, 0, 0, 200, 60, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(panel->GetBounds().width, 200);
    ClientPicture picture(panel->Handle());
    ExpectPixel(picture, 199, 30, RGB(2, 0, 0), "the last band at the new right edge");
    ExpectPixel(picture, 1, 30, RGB(255, 0, 0), "band 0 two pixels wide");
}
