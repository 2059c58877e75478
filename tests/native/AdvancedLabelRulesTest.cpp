// The 3D label's copies, their order, offsets and colours, and the movement of
// its text rectangle between the measuring and the drawing pass.
#include "components/AdvancedLabelRules.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

using namespace advlabel;

namespace {

constexpr Color kFont = 0x00FF00;
constexpr Color kHigh = 0x0000AA;
constexpr Color kShad = 0x00AA00;
constexpr Color kRep = 0xAA0000;

// Characters are 7 pixels wide and lines 13 high in the stand-in measuring.
constexpr int kCharWidth = 7;
constexpr int kLineHeight = 13;

struct Write {
    std::string text;
    Rect rect;
    unsigned flags;
    Color color;
};

struct Copy {
    int dx, dy;
    Color color;
    bool operator==(const Copy&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Copy& c)
{
    return out << "(" << c.dx << ", " << c.dy << "): 0x" << std::hex << c.color << std::dec;
}

// Records every write; a measuring write sets the extent like DrawTextA would.
struct Recorder {
    std::vector<Write> writes;

    WriteText Writer()
    {
        return [this](const std::string& text, Rect& rect, unsigned flags, Color color) {
            writes.push_back({text, rect, flags, color});
            if (flags & kDtCalcRect) {
                rect.right = rect.left + kCharWidth * static_cast<int>(text.size());
                rect.bottom = rect.top + kLineHeight;
            }
        };
    }

    // The drawing writes as offsets from (originX, originY).
    std::vector<Copy> Copies(int originX = 0, int originY = 0) const
    {
        std::vector<Copy> copies;
        for (const Write& w : writes)
            if (!(w.flags & kDtCalcRect)) copies.push_back({w.rect.left - originX, w.rect.top - originY, w.color});
        return copies;
    }
};

LabelLook Look(TFont3DStyle style, TFont3DRepeat repetition, int width)
{
    LabelLook look;
    look.fontColor = kFont;
    look.font3d = {.enabled = true,
                   .style = style,
                   .highlight = kHigh,
                   .shadow = kShad,
                   .repetition = repetition,
                   .repetitionColor = kRep,
                   .repetitionWidth = width};
    return look;
}

std::vector<Copy> Painted(const LabelLook& look, int width = 100, int height = 40)
{
    Recorder recorder;
    PaintText(look, "Mail", width, height, recorder.Writer());
    return recorder.Copies();
}

struct CopiesCase {
    const char* what;
    TFont3DStyle style;
    TFont3DRepeat repetition;
    int width;
    std::vector<Copy> expected;
};

class AdvancedLabelCopies : public ::testing::TestWithParam<CopiesCase> {};

TEST_P(AdvancedLabelCopies, WritesTheCopiesInOrderWithTheirOffsetsAndColours)
{
    const CopiesCase& c = GetParam();
    EXPECT_EQ(Painted(Look(c.style, c.repetition, c.width)), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    StylesAndRepetitions, AdvancedLabelCopies,
    ::testing::Values(
        CopiesCase{"inset", fsInset, frNone, 5, {{-1, -1, kHigh}, {1, 1, kShad}, {0, 0, kFont}}},
        CopiesCase{"only highlight", fsOnlyHighlight, frNone, 5, {{-1, -1, kHigh}, {0, 0, kFont}}},
        CopiesCase{"only shadow", fsOnlyShadow, frNone, 5, {{1, 1, kShad}, {0, 0, kFont}}},
        CopiesCase{"outline",
                   fsOutLineShadow,
                   frNone,
                   5,
                   {{-1, -1, kShad}, {-1, 1, kShad}, {1, -1, kShad}, {1, 1, kShad}, {0, 0, kFont}}},
        CopiesCase{"raised", fsRaised, frNone, 5, {{-1, -1, kShad}, {1, 1, kHigh}, {0, 0, kFont}}},
        CopiesCase{"extruded up-left: the caption and the relief move by n",
                   fsRaised,
                   frOnHighLight,
                   3,
                   {{1, 1, kRep}, {2, 2, kRep}, {3, 3, kRep}, {2, 2, kShad}, {4, 4, kHigh}, {3, 3, kFont}}},
        CopiesCase{"extruded down-right: back to the start before the relief",
                   fsOnlyHighlight,
                   frOnShadow,
                   2,
                   {{1, 1, kRep}, {2, 2, kRep}, {-1, -1, kHigh}, {0, 0, kFont}}},
        CopiesCase{"outline after an extrusion up-left",
                   fsOutLineShadow,
                   frOnHighLight,
                   1,
                   {{1, 1, kRep}, {0, 0, kShad}, {0, 2, kShad}, {2, 0, kShad}, {2, 2, kShad}, {1, 1, kFont}}},
        CopiesCase{"width 0 with frOnShadow: no extrusion, caption at the start",
                   fsOnlyShadow,
                   frOnShadow,
                   0,
                   {{1, 1, kShad}, {0, 0, kFont}}},
        CopiesCase{"width 0 with frOnHighLight", fsOnlyShadow, frOnHighLight, 0, {{1, 1, kShad}, {0, 0, kFont}}}));

TEST(AdvancedLabelRules, TheTitleLabelWritesGreyExtrusionGreyAndBlackReliefThenWhite)
{
    LabelLook look;
    look.fontColor = 0xFFFFFF;
    look.font3d = {.enabled = true,
                   .style = fsInset,
                   .highlight = 0x808080,
                   .shadow = 0,
                   .repetition = frOnShadow,
                   .repetitionColor = 0x808080,
                   .repetitionWidth = 4};
    const std::vector<Copy> expected{{1, 1, 0x808080}, {2, 2, 0x808080}, {3, 3, 0x808080}, {4, 4, 0x808080},
                                     {-1, -1, 0x808080}, {1, 1, 0},      {0, 0, 0xFFFFFF}};
    EXPECT_EQ(Painted(look), expected);
    EXPECT_EQ(GrownForRepetition({120, 20}, 4), (Size{128, 28}));
}

TEST(AdvancedLabelRules, WithoutReliefOnlyTheCaptionIsWritten)
{
    for (TFont3DRepeat repetition : {frNone, frOnHighLight, frOnShadow}) {
        LabelLook look = Look(fsOutLineShadow, repetition, 3);
        look.font3d.enabled = false;
        EXPECT_EQ(Painted(look), (std::vector<Copy>{{0, 0, kFont}})) << "repetition " << int(repetition);
    }
}

TEST(AdvancedLabelRules, ADisabledLabelWritesTheTwoSystemColourCopiesAlone)
{
    for (TFont3DStyle style : {fsInset, fsOutLineShadow, fsRaised})
        for (bool relief : {true, false}) {
            LabelLook look = Look(style, frOnHighLight, 3);
            look.font3d.enabled = relief;
            look.enabled = false;
            EXPECT_EQ(Painted(look), (std::vector<Copy>{{1, 1, kBtnHighlight}, {0, 0, kBtnShadow}}))
                << "style " << int(style) << ", relief " << relief;
        }
}

TEST(AdvancedLabelRules, BottomLayoutMovesTheTextRectangleToTheBottomEdge)
{
    LabelLook look = Look(fsOnlyShadow, frNone, 0);
    look.layout = tlBottom;
    EXPECT_EQ(Painted(look, 100, 40), (std::vector<Copy>{{1, 28, kShad}, {0, 27, kFont}}));
}

TEST(AdvancedLabelRules, CentredLayoutWithExtrusionUpLeftEndsTwiceTheWidthToTheRight)
{
    const int n = 3, height = 40;
    LabelLook look = Look(fsOnlyShadow, frOnHighLight, n);
    look.layout = tlCenter;
    Recorder recorder;
    PaintText(look, "Mail", 100, height, recorder.Writer());
    // The measuring pass left its rectangle at (n, n), one line high.
    const int top = n + (height - (n + kLineHeight)) / 2;
    ASSERT_FALSE(recorder.writes.empty());
    EXPECT_TRUE(recorder.writes.front().flags & kDtCalcRect);
    const std::vector<Copy> copies = recorder.Copies();
    ASSERT_FALSE(copies.empty());
    EXPECT_EQ(copies.back(), (Copy{2 * n, top + n, kFont}));
    EXPECT_EQ(copies.size(), static_cast<size_t>(n + 2));
}

TEST(AdvancedLabelRules, CentredLayoutHalvesANegativeSpaceTowardZero)
{
    LabelLook look = Look(fsOnlyShadow, frNone, 0);
    look.layout = tlCenter;
    // 10 - 13 = -3 pixels to share: the text moves up by 1, not 2.
    EXPECT_EQ(Painted(look, 100, 10).back(), (Copy{0, -1, kFont}));
}

TEST(AdvancedLabelRules, OnlyTheMeasuringPassMeasuresAnEmptyCaptionAsOneBlank)
{
    struct Case {
        const char* caption;
        bool showAccelChar;
        unsigned flags;
        const char* expected;
    };
    const Case cases[] = {
        {"", true, kDtCalcRect, " "},  {"", false, kDtCalcRect, " "},   {"&", true, kDtCalcRect, "& "},
        {"&", false, kDtCalcRect, "&"}, {"", true, 0, ""},              {"&", true, 0, "&"},
        {"a", true, kDtCalcRect, "a"},  {"&&", true, kDtCalcRect, "&&"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TextToWrite(c.caption, c.showAccelChar, c.flags), c.expected)
            << "\"" << c.caption << "\" accel " << c.showAccelChar << " flags " << c.flags;

    LabelLook look = Look(fsOnlyShadow, frNone, 0);
    look.layout = tlCenter;
    Recorder recorder;
    PaintText(look, "", 100, 41, recorder.Writer());
    ASSERT_EQ(recorder.writes.size(), 4u);
    EXPECT_EQ(recorder.writes[0].text, " ");
    EXPECT_EQ(recorder.writes[3].text, "");
    // One line measured: 41 - 13 = 28 to share.
    EXPECT_EQ(recorder.writes[3].rect.top, 14);
}

TEST(AdvancedLabelRules, FlagsFollowAlignmentWordWrapAndAccelChar)
{
    struct Case {
        TextAlign alignment;
        bool wordWrap;
        bool showAccelChar;
        unsigned expected;
    };
    const Case cases[] = {
        {TextAlign::LeftJustify, false, true, kDtExpandTabs},
        {TextAlign::RightJustify, false, true, kDtExpandTabs | kDtRight},
        {TextAlign::Center, true, true, kDtExpandTabs | kDtCenter | kDtWordBreak},
        {TextAlign::LeftJustify, false, false, kDtExpandTabs | kDtNoPrefix},
    };
    for (const Case& c : cases) {
        LabelLook look = Look(fsRaised, frOnShadow, 2);
        look.alignment = c.alignment;
        look.wordWrap = c.wordWrap;
        look.showAccelChar = c.showAccelChar;
        Recorder recorder;
        PaintText(look, "Mail", 100, 40, recorder.Writer());
        for (const Write& w : recorder.writes) EXPECT_EQ(w.flags, c.expected) << "alignment " << int(c.alignment);
    }
}

TEST(AdvancedLabelRules, RepetitionWidthIsKeptWithinSixteenBits)
{
    EXPECT_EQ(ClampRepetitionWidth(-1), 0);
    EXPECT_EQ(ClampRepetitionWidth(4), 4);
    EXPECT_EQ(ClampRepetitionWidth(65535), 65535);
    EXPECT_EQ(ClampRepetitionWidth(65536), 65535);
    EXPECT_EQ(GrownForRepetition({173, 28}, 0), (Size{173, 28}));
}

} // namespace
