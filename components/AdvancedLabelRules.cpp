#include "components/AdvancedLabelRules.h"

#include <algorithm>

namespace advlabel {

namespace {

void Move(Rect& rect, int dx, int dy)
{
    rect.left += dx;
    rect.right += dx;
    rect.top += dy;
    rect.bottom += dy;
}

struct ReliefCopy {
    int dx, dy;
    bool highlight;  // otherwise the shadow colour
};

// Each style's copies as offsets from where the relief starts.
void DrawRelief(const Font3DSettings& font3d, const std::function<void(int, int, Color)>& writeAt)
{
    static constexpr ReliefCopy kInset[] = {{-1, -1, true}, {1, 1, false}};
    static constexpr ReliefCopy kOnlyHighlight[] = {{-1, -1, true}};
    static constexpr ReliefCopy kOnlyShadow[] = {{1, 1, false}};
    static constexpr ReliefCopy kOutline[] = {{-1, -1, false}, {-1, 1, false}, {1, -1, false}, {1, 1, false}};
    static constexpr ReliefCopy kRaised[] = {{-1, -1, false}, {1, 1, true}};
    auto run = [&](const auto& copies) {
        for (const ReliefCopy& copy : copies)
            writeAt(copy.dx, copy.dy, copy.highlight ? font3d.highlight : font3d.shadow);
    };
    switch (font3d.style) {
    case fsInset: run(kInset); break;
    case fsOnlyHighlight: run(kOnlyHighlight); break;
    case fsOnlyShadow: run(kOnlyShadow); break;
    case fsOutLineShadow: run(kOutline); break;
    case fsRaised: run(kRaised); break;
    }
}

} // namespace

int ClampRepetitionWidth(int width)
{
    return std::clamp(width, 0, kMaxRepetitionWidth);
}

unsigned PaintFlags(const LabelLook& look)
{
    unsigned flags = kDtExpandTabs;
    if (look.wordWrap) flags |= kDtWordBreak;
    if (look.alignment == TextAlign::RightJustify) flags |= kDtRight;
    if (look.alignment == TextAlign::Center) flags |= kDtCenter;
    return flags;
}

std::string TextToWrite(const std::string& caption, bool showAccelChar, unsigned flags)
{
    if ((flags & kDtCalcRect) && (caption.empty() || (showAccelChar && caption == "&"))) return caption + " ";
    return caption;
}

void Draw3DText(const LabelLook& look, const std::string& caption, Rect& rect, unsigned flags,
                const WriteText& write)
{
    const std::string text = TextToWrite(caption, look.showAccelChar, flags);
    if (!look.showAccelChar) flags |= kDtNoPrefix;
    flags &= 0xFFFF;
    auto writeHere = [&](Color color) { write(text, rect, flags, color); };

    if (!look.enabled) {
        Move(rect, 1, 1);
        writeHere(kBtnHighlight);
        Move(rect, -1, -1);
        writeHere(kBtnShadow);
        return;
    }

    const Font3DSettings& font3d = look.font3d;
    if (font3d.enabled) {
        if (font3d.repetition != frNone) {
            const auto count = static_cast<std::uint16_t>(font3d.repetitionWidth);
            for (unsigned i = 0; i < count; ++i) {
                Move(rect, 1, 1);
                writeHere(font3d.repetitionColor);
            }
            if (font3d.repetition == frOnShadow) Move(rect, -font3d.repetitionWidth, -font3d.repetitionWidth);
        }
        DrawRelief(font3d, [&](int dx, int dy, Color color) {
            Move(rect, dx, dy);
            writeHere(color);
            Move(rect, -dx, -dy);
        });
    }
    writeHere(look.fontColor);
}

void PaintText(const LabelLook& look, const std::string& caption, int width, int height, const WriteText& write)
{
    Rect rect{0, 0, width, height};
    const unsigned flags = PaintFlags(look);
    if (look.layout != tlTop) {
        Draw3DText(look, caption, rect, flags | kDtCalcRect, write);
        const int space = height - rect.bottom;
        Move(rect, 0, look.layout == tlBottom ? space : space / 2);
    }
    Draw3DText(look, caption, rect, flags, write);
}

Size GrownForRepetition(Size size, int repetitionWidth)
{
    return {size.width + 2 * repetitionWidth, size.height + 2 * repetitionWidth};
}

} // namespace advlabel
