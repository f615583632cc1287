#include "GaugeMath.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace {

// numerator / denominator rounded to the nearest integer, halves away from zero; denominator > 0.
int64_t RoundedQuotient(int64_t numerator, int64_t denominator) {
    if (numerator >= 0)
        return (2 * numerator + denominator) / (2 * denominator);
    return -((-2 * numerator + denominator) / (2 * denominator));
}

} // namespace

namespace GaugeMath {

int ClampProgress(int value, int minValue, int maxValue) {
    return std::max(minValue, std::min(value, maxValue));
}

int Percentage(int progress, int minValue, int maxValue) {
    const int64_t range = int64_t{maxValue} - minValue;
    if (range <= 0)
        return 0;
    return static_cast<int>(RoundedQuotient(100 * (int64_t{progress} - minValue), range));
}

int FillLength(int extent, int percentage) {
    const int64_t length = RoundedQuotient((int64_t{extent} + 1) * percentage, 100);
    return static_cast<int>(std::min<int64_t>(length, int64_t{extent} + 1));
}

int DrawnLength(int fillLength, int extent, bool asBlocks, int blockLength) {
    if (!asBlocks || blockLength < 1 || fillLength >= extent || fillLength < 1)
        return fillLength;
    return fillLength - fillLength % blockLength;
}

TCaps EdgeCaps(int drawnLength, int edge, int textureExtent) {
    if (edge <= 0 || drawnLength <= 0 || textureExtent <= 0)
        return {};
    if (drawnLength > 2 * edge) {
        const int cap = std::min(edge, textureExtent);
        return {cap, cap};
    }
    const int tail = std::min({drawnLength / 2 + 1, drawnLength, textureExtent});
    return {std::min(tail, drawnLength - tail), tail};
}

TPoint PieStartPoint(int width, int height, int percentage) {
    const double mx = width / 2;
    const double my = height / 2;
    const double angle = std::numbers::pi * (percentage / 50.0 + 0.5);
    return {static_cast<int>(std::lround(mx * (1 - std::cos(angle)))),
            static_cast<int>(std::lround(my * (1 - std::sin(angle))))};
}

int LabelLeft(TLSVHorAlignment alignment, int width, int textWidth, bool centreInFill,
              int fillLength) {
    switch (alignment) {
    case TLSVHorAlignment::Left:
        return 1;
    case TLSVHorAlignment::Right:
        return width - textWidth - 1;
    case TLSVHorAlignment::Center:
        break;
    }
    return centreInFill ? (fillLength - textWidth) / 2 : (width - textWidth + 1) / 2;
}

int LabelTop(TLSVVerAlignment alignment, int height, int textHeight, bool centreInFill,
             int fillLength) {
    switch (alignment) {
    case taTop:
        return 1;
    case taBottom:
        return height - textHeight - 1;
    case taCentered:
        break;
    }
    return centreInFill ? height - fillLength + (fillLength - textHeight) / 2
                        : (height - textHeight + 1) / 2;
}

std::string FormatLabel(std::string_view format, int percentage) {
    static constexpr size_t MaxWidth = 64;
    std::string out;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            out += format[i];
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        size_t j = i + 1;
        const bool leftJustify = j < format.size() && format[j] == '-';
        if (leftJustify)
            ++j;
        size_t width = 0;
        for (; j < format.size() && format[j] >= '0' && format[j] <= '9'; ++j)
            width = std::min(MaxWidth, width * 10 + static_cast<size_t>(format[j] - '0'));
        if (j < format.size() && (format[j] == 'd' || format[j] == 'D')) {
            const std::string number = std::to_string(percentage);
            const std::string padding(width > number.size() ? width - number.size() : 0, ' ');
            out += leftJustify ? number + padding : padding + number;
            i = j;
        } else {
            out += '%';
        }
    }
    return out;
}

int NextStripOffset(int offset, int step, int extent) {
    if (extent <= 0)
        return 0;
    const int64_t next = int64_t{offset} + step;
    if (next >= extent)
        return 0;
    if (next < 0)
        return extent - 1;
    return static_cast<int>(next);
}

} // namespace GaugeMath
