#include "components/GradPanRules.h"

#include <cstddef>
#include <limits>

namespace gradpan {

namespace {

constexpr Color kWhite = 0xFFFFFF;
constexpr Color kGrey = 0x808080;

int Channel(Color color, int shift)
{
    return static_cast<int>((color >> shift) & 0xFF);
}

struct BevelColors {
    Color topLeft, bottomRight;
};

BevelColors ColorsOf(BevelKind bevel)
{
    if (bevel == BevelKind::Raised) return {kWhite, kGrey};
    return {kGrey, kWhite};  // lowered, and a space bevel drawn as lowered
}

void AddLine(Frame& frame, int x1, int y1, int x2, int y2, Color color)
{
    frame.lines.push_back({{x1, y1}, {x2, y2}, color});
}

} // namespace

void BuildColorTable(ColorTable& table, Color from, Color to, int count)
{
    // The step is held as a double while the entries are evaluated in extended
    // precision: the truncated results depend on both. The volatile store makes
    // the rounding to double happen on the i686 build too, whose x87 registers
    // would otherwise keep the quotient in extended precision.
    int fromChannel[3];
    volatile double step[3];
    for (int c = 0; c < 3; ++c) {
        fromChannel[c] = Channel(from, 8 * c);
        step[c] = static_cast<double>(static_cast<long double>(Channel(to, 8 * c) - fromChannel[c]) / count);
    }
    for (int i = 0; i < count && i < kColorCount; ++i) {
        Color entry = 0;
        for (int c = 0; c < 3; ++c) {
            const long double value = static_cast<long double>(i) * step[c] + fromChannel[c];
            entry |= static_cast<Color>(static_cast<int>(value)) << (8 * c);
        }
        table[static_cast<std::size_t>(i)] = entry;
    }
}

int MulDiv(int a, int b, int c)
{
    if (c == 0) return -1;
    std::int64_t product = static_cast<std::int64_t>(a) * b;
    std::int64_t divisor = c;
    if (divisor < 0) {
        product = -product;
        divisor = -divisor;
    }
    const std::int64_t half = divisor / 2;
    const std::int64_t result = (product >= 0 ? product + half : product - half) / divisor;
    if (result > std::numeric_limits<int>::max() || result < -std::numeric_limits<int>::max()) return -1;
    return static_cast<int>(result);
}

Gradient LinearGradient(int kind, Color colorStart, Color colorEnd)
{
    const bool reversed = kind == 1 || kind == 3;
    return {reversed ? colorEnd : colorStart, reversed ? colorStart : colorEnd, kind >= 2, false};
}

Gradient MirroredGradient(bool reversed, bool vertical, Color colorStart, Color colorEnd)
{
    return {reversed ? colorEnd : colorStart, reversed ? colorStart : colorEnd, vertical, true};
}

Rect BandRect(const Gradient& gradient, int k, int width, int height)
{
    if (gradient.columns)
        return {MulDiv(k, width, kColorCount), 0, MulDiv(k + 1, width, kColorCount), height};
    return {0, MulDiv(k, height, kColorCount), width, MulDiv(k + 1, height, kColorCount)};
}

int BandEntry(const Gradient& gradient, int k)
{
    if (!gradient.mirrored) return k;
    return k < kColorCount / 2 ? 2 * k + 1 : 2 * (kColorCount - 1) - 2 * k;
}

CaptionPlacement PlaceCaption(const CaptionLayout& l)
{
    const int b = l.borderWidth + l.bevelWidth;
    const int th = l.textHeight;
    const int w = l.width, h = l.height;
    const int centreY = h / 2 - th / 2;
    CaptionPlacement p;
    switch (l.rotation) {
    case trNone:
        switch (l.alignment) {
        case TextAlign::LeftJustify: p = {{b + 2, 0}, TextAnchor::Left}; break;
        case TextAlign::RightJustify: p = {{w - b - 2, 0}, TextAnchor::Right}; break;
        case TextAlign::Center: p = {{w / 2, 0}, TextAnchor::Center}; break;
        }
        p.reference.y = l.vertAlign == vlTop ? b + 2 : l.vertAlign == vlCenter ? centreY : h - b - th - 1;
        break;
    case TrUp:
        // Written upwards: the start of the text is at the bottom.
        p.reference.x = l.alignment == TextAlign::LeftJustify    ? b + 2
                        : l.alignment == TextAlign::RightJustify ? w - b - th - 1
                                                                 : w / 2 - th / 2;
        switch (l.vertAlign) {
        case vlTop: p.reference.y = b + 2; p.anchor = TextAnchor::Right; break;
        case vlCenter: p.reference.y = centreY; p.anchor = TextAnchor::Center; break;
        case VlBottom: p.reference.y = h - b - 1; p.anchor = TextAnchor::Left; break;
        }
        break;
    case TrDown:
        // Written downwards: the top of the character cell faces right.
        p.reference.x = l.alignment == TextAlign::LeftJustify    ? th + b + 1
                        : l.alignment == TextAlign::RightJustify ? w - b - 2
                                                                 : th / 2 + w / 2;
        switch (l.vertAlign) {
        case vlTop: p.reference.y = b + 1; p.anchor = TextAnchor::Left; break;
        case vlCenter: p.reference.y = centreY; p.anchor = TextAnchor::Center; break;
        case VlBottom: p.reference.y = h - b - 2; p.anchor = TextAnchor::Right; break;
        }
        break;
    }
    return p;
}

std::vector<TextCopy> TextCopies(TTextEffect effect, TTextRotation rotation)
{
    const bool rotated = rotation != trNone;
    const TextCopy front{0, 0, CopyColor::Font};
    switch (effect) {
    case teShadow:
        if (rotated) return {{1, 1, CopyColor::Shadow}, front};
        return {{2, 2, CopyColor::Shadow}, front};
    case teRaised:
        return {{-1, 0, CopyColor::Shadow}, {0, -1, CopyColor::Shadow}, {1, 0, CopyColor::Black},
                {0, 1, CopyColor::Black}, front};
    case teLowered:
        return {{1, 0, CopyColor::Shadow}, {0, 1, CopyColor::Shadow}, {-1, 0, CopyColor::Black},
                {0, -1, CopyColor::Black}, front};
    case teEmbossed:
        if (rotated)
            return {{0, -1, CopyColor::Shadow}, {0, 1, CopyColor::Shadow}, {-1, 0, CopyColor::Shadow},
                    {1, 0, CopyColor::Shadow}, front};
        return {{-1, 0, CopyColor::Shadow}, {1, 0, CopyColor::Shadow}, {0, -1, CopyColor::Shadow},
                {0, 1, CopyColor::Shadow}, front};
    default:
        return {front};
    }
}

int ImageInset(bool ctl3d, int bevelWidth, int borderWidth)
{
    return ctl3d ? 2 * bevelWidth + borderWidth : 0;
}

TileGrid TileImage(int width, int height, int inset, int pictureWidth, int pictureHeight)
{
    TileGrid grid{(width - 2 * inset) / pictureWidth + 1, (height - 2 * inset) / pictureHeight + 1, {inset, inset}};
    if (grid.columns <= 0 || grid.rows <= 0) grid.columns = grid.rows = 0;
    return grid;
}

Rect StretchTarget(int width, int height, int inset)
{
    return {inset, inset, width - inset - 1, height - inset - 1};
}

Frame FrameOf(const FrameLayout& l)
{
    Frame frame;
    const int w = l.width, h = l.height, n = l.bevelWidth;
    int s = 1;
    if (l.bevelOuter != BevelKind::None) {
        const BevelColors colors = ColorsOf(l.bevelOuter);
        for (int i = 0; i < n; ++i) {
            AddLine(frame, i, i, w, i, colors.topLeft);
            AddLine(frame, i, i, i, h, colors.topLeft);
        }
        for (int i = 0; i < n; ++i) {
            AddLine(frame, i, h - 1 - i, w - i, h - 1 - i, colors.bottomRight);
            AddLine(frame, w - 1 - i, h - 1 - i, w - 1 - i, i, colors.bottomRight);
        }
        s = n;
    }
    s += l.borderWidth;
    if (l.bevelInner != BevelKind::None) {
        const BevelColors colors = ColorsOf(l.bevelInner);
        for (int i = 0; i < n; ++i) {
            AddLine(frame, s + i, s + i, w - s - i, s + i, colors.topLeft);
            AddLine(frame, s + i, s + i, s + i, h - s - i, colors.topLeft);
        }
        for (int i = 0; i < n; ++i) {
            AddLine(frame, s + i, h - s - i - 1, w - s - i, h - s - i - 1, colors.bottomRight);
            // All the right-hand lines start on the inner bevel's outermost bottom row.
            AddLine(frame, w - s - i - 1, h - s - 1, w - s - i - 1, s + i, colors.bottomRight);
        }
        if (l.ctl3d) {
            const int t = l.bevelOuter != BevelKind::None ? n - 1 : 0;
            for (int j = 1; j <= l.borderWidth; ++j) frame.ringOutlines.push_back({t + j, t + j, w - j - t, h - j - t});
        }
    }
    return frame;
}

HitZone HitTest(int x, int y, int width, int height, int marge)
{
    const bool left = x < marge, right = width - x < marge;
    const bool top = y < marge, bottom = height - y < marge;
    if (left && top) return kHitTopLeft;
    if (left && bottom) return kHitBottomLeft;
    if (left) return kHitLeft;
    if (right && top) return kHitTopRight;
    if (right && bottom) return kHitBottomRight;
    if (right) return kHitRight;
    if (top) return kHitTop;
    if (bottom) return kHitBottom;
    return kHitCaption;
}

} // namespace gradpan
