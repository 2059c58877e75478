// The 3D label under Wine: labels painted by their parent into memory bitmaps,
// each copy of the caption found by its colour, and the label's sizes.
#include "classlib/Application.h"
#include "classlib/Forms.h"
#include "components/AdvancedLabel.h"
#include "WinTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace classlib;
using wintest::ClientPicture;
using wintest::FlushEvents;

namespace {

using wintest::Hex;
std::string Describe(const RECT& r) { return wintest::DescribeEdges(r); }

constexpr TColor kNavy = 0x800000;
constexpr COLORREF kNavyPixel = RGB(0, 0, 128);

const FontDesc kTitleFont{.name = "MS Sans Serif", .height = -16, .bold = true, .color = clWhite};

const advlabel::Font3DSettings kTitleRelief{.enabled = true,
                                            .style = fsInset,
                                            .highlight = clGray,
                                            .shadow = clBlack,
                                            .repetition = frOnShadow,
                                            .repetitionColor = clGray,
                                            .repetitionWidth = 4};

constexpr TColor kFont = 0x00FFFF;  // yellow
constexpr TColor kHigh = 0x0000FF;  // red
constexpr TColor kShad = 0x00FF00;  // green
constexpr TColor kRep = 0xFF00FF;   // magenta
const FontDesc kYellowFont{.name = "MS Sans Serif", .height = -16, .bold = true, .color = kFont};

class THostForm : public Form {
public:
    THostForm() : Form("TAdvancedLabelHost") {}

    TAdvancedLabel* Title = nullptr;
    TAdvancedLabel* FixedSize = nullptr;

protected:
    void CreateComponents() override
    {
        static const Layout<THostForm> layout{
            .form = {.caption = "3D labels", .clientWidth = 480, .clientHeight = 320, .visible = true, .color = kNavy},
            .controls = {
                PlaceAdvancedLabel(&THostForm::Title,
                                   {.name = "Title",
                                    .bounds = {133, 9, 173, 28},
                                    .caption = "TOLVA Mail Server",
                                    .settings = {.font = kTitleFont, .transparent = true}},
                                   kTitleRelief),
                PlaceAdvancedLabel(&THostForm::FixedSize,
                                   {.name = "FixedSize",
                                    .bounds = {10, 200, 100, 30},
                                    .caption = "Fixed",
                                    .settings = {.transparent = true, .autoSize = false}},
                                   {.repetition = frOnShadow, .repetitionWidth = 2}),
            }};
        Build(*this, layout);
    }
};

THostForm* Host()
{
    return wintest::HostForm<THostForm>();
}

bool Empty(const RECT& r)
{
    return r.right <= r.left || r.bottom <= r.top;
}

// A navy surface without bevel at (10, 10) of the host form, holding one label
// at (20, 20) in a bold 16-pixel font, transparent, set up by `setup`.
struct LabelOnPanel {
    std::unique_ptr<Panel> panel;
    std::unique_ptr<TAdvancedLabel> label;

    explicit LabelOnPanel(const std::function<void(TAdvancedLabel&)>& setup, bool designing = false,
                          ControlSettings settings = {.font = kYellowFont, .transparent = true})
    {
        panel = std::make_unique<Panel>(Host());
        panel->Configure({.bevelOuter = Bevel::None});
        panel->SetBounds({10, 10, 300, 120});
        panel->SetColor(kNavy);
        panel->CreateHandle();
        label = std::make_unique<TAdvancedLabel>(panel.get(), designing);
        label->SetBounds({20, 20, 10, 10});
        // Settings first, as a layout has them, so that the label grows for the repetition.
        if (setup) setup(*label);
        label->SetCaption("Mail Server");
        label->Configure(settings);
        FlushEvents(30);
    }

    ~LabelOnPanel() { label.reset(); }
};

// The caption's ink in the font colour alone, without relief: where a copy at
// offset (0, 0) stands.
RECT PlainInk(const std::function<void(TAdvancedLabel&)>& setup, COLORREF fontPixel,
              ControlSettings settings = {.font = kYellowFont, .transparent = true})
{
    LabelOnPanel plain(
        [&](TAdvancedLabel& label) {
            if (setup) setup(label);
            label.Font3D().SetEnabled(false);
        },
        false, settings);
    ClientPicture picture(plain.panel->Handle());
    return picture.BoundsOf(fontPixel);
}

enum Edge : unsigned { L = 1, T = 2, R = 4, B = 8 };

// The copies of one colour: their ink lies within the plain ink moved edge by
// edge as given, and touches the edges named in `exact`, which no later copy
// covers.
struct ColourInk {
    COLORREF pixel;
    const char* name;
    int left, top, right, bottom;
    unsigned exact;
};

// The smallest rectangle of `area` holding every pixel that matches; empty when there is none.
RECT BoundsIn(const ClientPicture& picture, const RECT& area, const std::function<bool(COLORREF)>& matches)
{
    RECT found{area.right, area.bottom, area.left, area.top};
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (matches(picture.Pixel(x, y))) {
                found.left = std::min<LONG>(found.left, x);
                found.top = std::min<LONG>(found.top, y);
                found.right = std::max<LONG>(found.right, x + 1);
                found.bottom = std::max<LONG>(found.bottom, y + 1);
            }
    return found;
}

void ExpectInk(const ClientPicture& picture, const RECT& plain, const ColourInk& ink, const std::string& what,
               const RECT* area = nullptr)
{
    const RECT found = area ? BoundsIn(picture, *area, [&](COLORREF p) { return p == ink.pixel; })
                            : picture.BoundsOf(ink.pixel);
    RECT outer{plain.left + ink.left, plain.top + ink.top, plain.right + ink.right, plain.bottom + ink.bottom};
    // The label clips what lies beyond its edges.
    if (area) IntersectRect(&outer, &outer, area);
    SCOPED_TRACE(what + ", " + ink.name + ": found " + Describe(found) + ", expected within " + Describe(outer));
    ASSERT_FALSE(Empty(found));
    EXPECT_GE(found.left, outer.left);
    EXPECT_GE(found.top, outer.top);
    EXPECT_LE(found.right, outer.right);
    EXPECT_LE(found.bottom, outer.bottom);
    if (ink.exact & L) {
        EXPECT_EQ(found.left, outer.left);
    }
    if (ink.exact & T) {
        EXPECT_EQ(found.top, outer.top);
    }
    if (ink.exact & R) {
        EXPECT_EQ(found.right, outer.right);
    }
    if (ink.exact & B) {
        EXPECT_EQ(found.bottom, outer.bottom);
    }
}


TEST(AdvancedLabelPaint, EachStyleAndRepetitionPutsItsCopiesInTheirColours)
{
    struct Case {
        const char* what;
        TFont3DStyle style;
        TFont3DRepeat repetition;
        int width;
        int captionOffset;
        std::vector<ColourInk> inks;  // every other colour of the four is absent
    };
    const Case cases[] = {
        {"fsInset", fsInset, frNone, 3, 0, {{kHigh, "highlight", -1, -1, -1, -1, L | T}, {kShad, "shadow", 1, 1, 1, 1, R | B}}},
        {"fsOnlyHighlight", fsOnlyHighlight, frNone, 3, 0, {{kHigh, "highlight", -1, -1, -1, -1, L | T}}},
        {"fsOnlyShadow", fsOnlyShadow, frNone, 3, 0, {{kShad, "shadow", 1, 1, 1, 1, R | B}}},
        {"fsOutLineShadow", fsOutLineShadow, frNone, 3, 0, {{kShad, "shadow", -1, -1, 1, 1, L | T | R | B}}},
        {"fsRaised", fsRaised, frNone, 3, 0, {{kShad, "shadow", -1, -1, -1, -1, L | T}, {kHigh, "highlight", 1, 1, 1, 1, R | B}}},
        {"frOnHighLight 3: the caption and its relief at (+3, +3)",
         fsOnlyShadow, frOnHighLight, 3, 3,
         {{kRep, "extrusion", -2, -2, 0, 0, L | T}, {kShad, "shadow", 1, 1, 1, 1, R | B}}},
        {"frOnShadow 3: extrusion down-right of the caption",
         fsOnlyHighlight, frOnShadow, 3, 0,
         {{kRep, "extrusion", 1, 1, 3, 3, R | B}, {kHigh, "highlight", -1, -1, -1, -1, L | T}}},
        // Without a margin the label ends at the text's last column, which clips the shadow there.
        {"frOnShadow 0: no extrusion", fsOnlyShadow, frOnShadow, 0, 0, {{kShad, "shadow", 1, 1, 0, 1, B}}},
    };
    const RECT plain = PlainInk(nullptr, kFont);
    ASSERT_FALSE(Empty(plain)) << "no caption in the font colour";
    for (const Case& c : cases) {
        LabelOnPanel on([&](TAdvancedLabel& label) {
            label.Font3D().Assign({.enabled = true,
                                   .style = c.style,
                                   .highlight = kHigh,
                                   .shadow = kShad,
                                   .repetition = c.repetition,
                                   .repetitionColor = kRep,
                                   .repetitionWidth = c.width});
        });
        ClientPicture picture(on.panel->Handle());
        RECT caption = plain;
        OffsetRect(&caption, c.captionOffset, c.captionOffset);
        EXPECT_EQ(Describe(picture.BoundsOf(kFont)), Describe(caption)) << c.what << ": the caption, drawn last";
        for (const ColourInk& ink : c.inks) ExpectInk(picture, caption, ink, c.what);
        for (TColor colour : {kHigh, kShad, kRep}) {
            bool listed = false;
            for (const ColourInk& ink : c.inks) listed = listed || ink.pixel == colour;
            if (!listed) {
                EXPECT_TRUE(Empty(picture.BoundsOf(colour))) << c.what << ": colour " << Hex(colour);
            }
        }
    }
}

TEST(AdvancedLabelPaint, TitleLabelShowsGreyExtrusionAndReliefBlackShadowAndWhiteCaption)
{
    THostForm* host = Host();
    TAdvancedLabel& title = *host->Title;
    const SIZE plain = title.MeasureCaption();
    EXPECT_EQ(title.GetBounds().left, 133);
    EXPECT_EQ(title.GetBounds().top, 9);
    EXPECT_EQ(title.GetBounds().width, plain.cx + 8) << "plain text width " << plain.cx;
    EXPECT_EQ(title.GetBounds().height, plain.cy + 8) << "plain text height " << plain.cy;
    EXPECT_EQ(title.Font3D().Settings(), kTitleRelief);

    ClientPicture picture(host->Handle());
    const RECT area = title.GetBounds().Rect();
    const RECT white = BoundsIn(picture, area, [](COLORREF p) { return p == RGB(255, 255, 255); });
    ASSERT_FALSE(Empty(white));
    // The caption at (0, 0) of the label, inside its plain text rectangle.
    EXPECT_GE(white.left, 133);
    EXPECT_GE(white.top, 9);
    EXPECT_LE(white.right, 133 + plain.cx);
    EXPECT_LE(white.bottom, 9 + plain.cy);
    ExpectInk(picture, white, {RGB(128, 128, 128), "grey extrusion and highlight", -1, -1, 4, 4, L | T | R | B},
              "title", &area);
    ExpectInk(picture, white, {RGB(0, 0, 0), "black shadow", 1, 1, 1, 1, R | B}, "title", &area);
    RECT drawn{white.left - 1, white.top - 1, white.right + 4, white.bottom + 4};
    IntersectRect(&drawn, &drawn, &area);
    EXPECT_EQ(Describe(BoundsIn(picture, area, [](COLORREF p) { return p != kNavyPixel; })), Describe(drawn))
        << "nothing else is drawn";
}

TEST(AdvancedLabelPaint, DisabledLabelShowsOnlyTheTwoSystemColourCopies)
{
    const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    ASSERT_NE(highlight, shadow);
    const RECT plain = PlainInk(nullptr, kFont);
    for (TFont3DStyle style : {fsOutLineShadow, fsRaised})
        for (bool relief : {true, false}) {
            LabelOnPanel on([&](TAdvancedLabel& label) {
                    label.Font3D().Assign({.enabled = relief,
                                       .style = style,
                                       .highlight = kHigh,
                                       .shadow = kShad,
                                       .repetition = frOnHighLight,
                                       .repetitionColor = kRep,
                                       .repetitionWidth = 3});
                label.SetEnabled(false);
            });
            ClientPicture picture(on.panel->Handle());
            const std::string what = "style " + std::to_string(style) + (relief ? ", relief on" : ", relief off");
            EXPECT_EQ(Describe(picture.BoundsOf(shadow)), Describe(plain)) << what << ": clBtnShadow at (0, 0)";
            ExpectInk(picture, plain, {highlight, "clBtnHighlight", 1, 1, 1, 1, R | B}, what);
            EXPECT_EQ(Describe(picture.InkBounds(kNavyPixel)),
                      Describe({plain.left, plain.top, plain.right + 1, plain.bottom + 1}))
                << what << ": no other copy";
            for (TColor colour : {kFont, kHigh, kShad, kRep})
                EXPECT_TRUE(Empty(picture.BoundsOf(colour))) << what << ": colour " << Hex(colour);
        }
}

TEST(AdvancedLabelPaint, CentredLayoutWithExtrusionUpLeftEndsTwiceTheWidthToTheRight)
{
    const int n = 3;
    const int height = 80;
    auto setup = [&](TAdvancedLabel& label) {
        label.SetBounds({20, 20, 200, height});
        label.Font3D().Assign({.enabled = true,
                               .style = fsOnlyShadow,
                               .shadow = kShad,
                               .repetition = frOnHighLight,
                               .repetitionColor = kRep,
                               .repetitionWidth = n});
    };
    const ControlSettings fixed{.font = kYellowFont, .transparent = true, .autoSize = false};
    const RECT plain = PlainInk(setup, kFont, fixed);  // layout tlTop, no relief: the text at the label's corner
    LabelOnPanel on(
        [&](TAdvancedLabel& label) {
            setup(label);
            label.SetLayout(tlCenter);
        },
        false, fixed);
    ClientPicture picture(on.panel->Handle());
    const RECT caption = picture.BoundsOf(kFont);
    const int lineHeight = on.label->MeasureCaption().cy;
    // The measuring pass ends at (n, n) with the text's height; the drawing
    // pass starts there, moved down, and extrudes by n once more.
    const int labelHeight = on.label->GetBounds().height;
    const int expectedTop = plain.top + 2 * n + (labelHeight - (n + lineHeight)) / 2;
    EXPECT_EQ(caption.left, plain.left + 2 * n) << Describe(caption) << ", plain " << Describe(plain);
    EXPECT_EQ(caption.top, expectedTop) << Describe(caption) << ", plain " << Describe(plain);
    EXPECT_EQ(caption.right - caption.left, plain.right - plain.left);
}

TEST(AdvancedLabelMeasure, AnEmptyCaptionMeasuresOneLine)
{
    LabelOnPanel on(nullptr);
    MemoryDC dc;
    Canvas canvas(dc.Get());
    auto measure = [&](const std::string& caption, UINT flags) {
        on.label->SetCaption(caption);
        RECT rect{5, 7, 300, 300};
        on.label->Draw3DText(canvas, rect, flags);
        return rect;
    };
    const RECT blank = measure(" ", DT_CALCRECT);
    ASSERT_GT(blank.bottom - blank.top, 0);
    EXPECT_EQ(blank.bottom - blank.top, on.label->MeasureCaption().cy);
    EXPECT_EQ(Describe(measure("", DT_CALCRECT)), Describe(blank));
    EXPECT_EQ(Describe(measure("&", DT_CALCRECT)), Describe(measure("& ", DT_CALCRECT)));
    on.label->SetShowAccelChar(false);
    EXPECT_LT(measure("&", DT_CALCRECT).right, measure("& ", DT_CALCRECT).right) << "a shown \"&\" is not padded";

}

TEST(AdvancedLabelSize, WithoutAutoSizeEveryCaptionChangeGrowsTheLabel)
{
    LabelOnPanel on(
        [](TAdvancedLabel& label) {
            label.SetBounds({20, 20, 50, 20});
            label.Font3D().SetRepetitionWidth(3);
        },
        false, {.transparent = true, .autoSize = false});
    const Bounds start = on.label->GetBounds();
    on.label->SetCaption("one");
    EXPECT_EQ(on.label->GetBounds(), (Bounds{20, 20, start.width + 6, start.height + 6}));
    on.label->SetCaption("a much longer caption");
    EXPECT_EQ(on.label->GetBounds(), (Bounds{20, 20, start.width + 12, start.height + 12}));
    on.label->SetCaption("a much longer caption");
    EXPECT_EQ(on.label->GetBounds(), (Bounds{20, 20, start.width + 12, start.height + 12}))
        << "the same caption is no change";

    // Read from a layout: the caption grows it once and the end of reading once more.
    EXPECT_EQ(Host()->FixedSize->GetBounds(), (Bounds{10, 200, 108, 38}));
}

TEST(AdvancedLabelSize, WithAutoSizeTheLabelIsThePlainTextPlusTwiceTheWidth)
{
    LabelOnPanel on([](TAdvancedLabel& label) { label.Font3D().SetRepetitionWidth(3); });
    for (const char* caption : {"one", "a longer caption", ""}) {
        on.label->SetCaption(caption);
        const SIZE plain = on.label->MeasureCaption();
        EXPECT_EQ(on.label->GetBounds().width, plain.cx + 6) << '"' << caption << '"';
        EXPECT_EQ(on.label->GetBounds().height, plain.cy + 6) << '"' << caption << '"';
    }
}

// Whether the label's parent has anything left to repaint.
bool PendingPaint(const LabelOnPanel& on)
{
    return GetUpdateRect(on.panel->Handle(), nullptr, FALSE) != FALSE;
}

TEST(AdvancedLabelSettings, AtRunTimeAReliefChangeWaitsForTheNextPaint)
{
    LabelOnPanel on(nullptr);
    UpdateWindow(on.panel->Handle());
    ASSERT_FALSE(PendingPaint(on));
    on.label->Font3D().SetStyle(fsRaised);
    on.label->Font3D().SetRepetitionWidth(2);
    EXPECT_FALSE(PendingPaint(on)) << "a Font3D setter repainted at run time";
    EXPECT_EQ(on.label->Font3D().Style(), fsRaised);

    // Copying settings in is a change of the label, which repaints.
    auto other = std::make_unique<TAdvancedLabel>(on.panel.get());
    other->Font3D().SetShadow(0x123456);
    other->Font3D().SetRepetition(frOnShadow);
    on.label->SetFont3D(other->Font3D());
    EXPECT_TRUE(PendingPaint(on));
    EXPECT_EQ(on.label->Font3D().Settings(), other->Font3D().Settings());
    other->Font3D().SetShadow(0);
    EXPECT_EQ(on.label->Font3D().Shadow(), 0x123456u) << "the label keeps its own copy";
}

TEST(AdvancedLabelSettings, ALabelInADesignerStartsWhiteOnTransparentAndRepaintsAtOnce)
{
    LabelOnPanel runTime(nullptr, false, {});
    EXPECT_EQ(runTime.label->Font3D().Settings(), advlabel::Font3DSettings{});
    EXPECT_EQ(runTime.label->Font3D().Shadow(), 0xFFFFFFu);
    EXPECT_EQ(runTime.label->Font3D().Style(), fsOutLineShadow);
    EXPECT_FALSE(runTime.label->Transparent());

    LabelOnPanel designed(nullptr, true, {.transparent = true});
    EXPECT_EQ(designed.label->Font3D().Shadow(), clBlack);
    EXPECT_EQ(designed.label->GetFont().Color(), clWhite);
    UpdateWindow(designed.panel->Handle());
    ASSERT_FALSE(PendingPaint(designed));
    designed.label->Font3D().SetStyle(fsRaised);
    EXPECT_TRUE(PendingPaint(designed));

    auto dropped = std::make_unique<TAdvancedLabel>(designed.panel.get(), true);
    EXPECT_TRUE(dropped->Transparent());
}

} // namespace
