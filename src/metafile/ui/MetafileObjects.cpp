#include "metafile/ui/MetafileObjects.h"

#include <QFontMetricsF>
#include <QList>
#include <algorithm>
#include <cmath>

namespace Metafile {

namespace {

enum : std::uint8_t {
    FIXED_PITCH = 0x01,
    FF_FAMILY_MASK = 0xF0,
    FF_ROMAN = 0x10,
    FF_SWISS = 0x20,
    FF_MODERN = 0x30,
    FF_SCRIPT = 0x40,
    FF_DECORATIVE = 0x50,
};

// Dash patterns in units of the pen's width. A one-pixel GDI dash is long; a wide pen's is
// proportioned to its width.
QList<qreal> DashPattern(std::uint32_t style, bool cosmetic) {
    switch (style) {
    case PS_DASH:
        return cosmetic ? QList<qreal>{18, 6} : QList<qreal>{3, 1};
    case PS_DOT:
    case PS_ALTERNATE:
        return cosmetic ? QList<qreal>{3, 3} : QList<qreal>{1, 1};
    case PS_DASHDOT:
        return cosmetic ? QList<qreal>{9, 6, 3, 6} : QList<qreal>{3, 1, 1, 1};
    case PS_DASHDOTDOT:
        return cosmetic ? QList<qreal>{9, 3, 3, 3, 3, 3} : QList<qreal>{3, 1, 1, 1, 1, 1};
    default:
        return {};
    }
}

Qt::BrushStyle HatchStyle(std::uint32_t hatch) {
    switch (hatch) {
    case HS_VERTICAL:
        return Qt::VerPattern;
    case HS_FDIAGONAL:
        return Qt::FDiagPattern;
    case HS_BDIAGONAL:
        return Qt::BDiagPattern;
    case HS_CROSS:
        return Qt::CrossPattern;
    case HS_DIAGCROSS:
        return Qt::DiagCrossPattern;
    default:
        return Qt::HorPattern;
    }
}

} // namespace

QColor ToQColor(TColor color) {
    return QColor(color.r, color.g, color.b);
}

QPen MakePen(const TLogPen& logPen, double pixelsPerUnit, double miterLimit) {
    const std::uint32_t style = logPen.style & PS_STYLE_MASK;
    if (style == PS_NULL)
        return QPen(Qt::NoPen);
    QPen pen(ToQColor(logPen.color));
    double width = std::abs(static_cast<double>(logPen.width));
    const double pixels = width * pixelsPerUnit;
    const bool cosmetic = logPen.width == 0 || !(pixels >= 1.0) || style == PS_ALTERNATE;
    // A pen wider than any screen covers everything anyway, and QPen refuses widths from 32768
    // on (a WMF cannot even store one).
    constexpr double kMaxPixels = 10000;
    if (pixels > kMaxPixels)
        width = kMaxPixels / pixelsPerUnit;
    width = std::min(width, 32767.0);
    pen.setWidthF(cosmetic ? 0.0 : width);

    switch (logPen.style & PS_ENDCAP_MASK) {
    case PS_ENDCAP_SQUARE:
        pen.setCapStyle(Qt::SquareCap);
        break;
    case PS_ENDCAP_FLAT:
        pen.setCapStyle(Qt::FlatCap);
        break;
    default:
        pen.setCapStyle(Qt::RoundCap);
        break;
    }
    switch (logPen.style & PS_JOIN_MASK) {
    case PS_JOIN_BEVEL:
        pen.setJoinStyle(Qt::BevelJoin);
        break;
    case PS_JOIN_MITER:
        // GDI bevels a miter past the limit, as Qt's SVG miter does with the same measure;
        // Qt's plain miter would be cut square at a distance from the joint instead.
        pen.setJoinStyle(Qt::SvgMiterJoin);
        pen.setMiterLimit(miterLimit);
        break;
    default:
        pen.setJoinStyle(Qt::RoundJoin);
        break;
    }

    if (style == PS_USERSTYLE) {
        // Lengths in logical units; Qt counts in pen widths.
        const double unit = cosmetic ? 1.0 / std::max(pixelsPerUnit, 1e-9) : width;
        QList<qreal> pattern;
        bool any = false;
        for (const std::uint32_t length : logPen.dashes) {
            pattern.push_back(std::max(length / unit, 0.01));
            any = any || length > 0;
        }
        if (pattern.size() % 2 == 1)
            pattern.append(pattern); // GDI repeats an odd pattern with dashes and gaps swapped
        if (any && !pattern.isEmpty())
            pen.setDashPattern(pattern);
    } else if (const QList<qreal> pattern = DashPattern(style, cosmetic); !pattern.isEmpty()) {
        pen.setDashPattern(pattern);
        if (pen.capStyle() == Qt::RoundCap)
            pen.setCapStyle(Qt::FlatCap); // round caps would close the gaps of thin dashes
    }
    return pen;
}

QBrush MakeBrush(const TLogBrush& logBrush) {
    switch (logBrush.style) {
    case BS_NULL:
        return QBrush(Qt::NoBrush);
    case BS_HATCHED:
        return QBrush(ToQColor(logBrush.color), HatchStyle(logBrush.hatch));
    case BS_DIBPATTERN:
    case BS_DIBPATTERNPT:
    case BS_PATTERN:
        if (logBrush.pattern)
            return QBrush(ToQImage(*logBrush.pattern, EAlpha::Opaque));
        return QBrush(Qt::NoBrush);
    default:
        return QBrush(ToQColor(logBrush.color));
    }
}

QFont MakeFont(const TLogFont& logFont, double heightPixels, double widthPixels) {
    QFont font;
    if (!logFont.faceName.empty())
        font.setFamily(QString::fromUtf16(logFont.faceName.data(),
                                          static_cast<qsizetype>(logFont.faceName.size())));
    switch (logFont.pitchAndFamily & FF_FAMILY_MASK) {
    case FF_ROMAN:
        font.setStyleHint(QFont::Serif);
        break;
    case FF_SWISS:
        font.setStyleHint(QFont::SansSerif);
        break;
    case FF_MODERN:
        font.setStyleHint(QFont::TypeWriter);
        break;
    case FF_SCRIPT:
        font.setStyleHint(QFont::Cursive);
        break;
    case FF_DECORATIVE:
        font.setStyleHint(QFont::Decorative);
        break;
    default:
        break;
    }
    if (logFont.pitchAndFamily & FIXED_PITCH)
        font.setFixedPitch(true);
    if (logFont.weight > 0)
        font.setWeight(static_cast<QFont::Weight>(std::clamp(logFont.weight, 1, 1000)));
    font.setItalic(logFont.italic);
    font.setUnderline(logFont.underline);
    font.setStrikeOut(logFont.strikeOut);
    font.setKerning(false); // GDI places characters by their advances alone

    double em = std::abs(heightPixels);
    if (heightPixels > 0) {
        // A cell height: the em is the part of it that the font's ascent and descent leave.
        font.setPixelSize(100);
        const QFontMetricsF metrics(font);
        const double cell = metrics.ascent() + metrics.descent();
        if (cell > 0)
            em = heightPixels * 100 / cell;
    }
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(em))));
    if (widthPixels > 0) {
        const QFontMetricsF metrics(font);
        const double natural = metrics.averageCharWidth();
        // Between a quarter and four times the natural width: far wider glyphs make Qt's
        // FreeType glyph cache fail and crash (seen with a 64-pixel font stretched 40 times).
        if (natural > 0)
            font.setStretch(static_cast<int>(std::clamp(widthPixels * 100 / natural, 25.0, 400.0)));
    }
    return font;
}

QImage ToQImage(const TBitmap& bitmap, EAlpha alpha) {
    const auto* data = reinterpret_cast<const uchar*>(bitmap.pixels.data());
    const qsizetype stride = static_cast<qsizetype>(bitmap.width) * 4;
    if (alpha == EAlpha::Opaque) {
        if (!bitmap.hasAlpha) // every pixel is opaque already: share the decoded pixels
            return QImage(data, bitmap.width, bitmap.height, stride, QImage::Format_RGB32);
        QImage image(bitmap.width, bitmap.height, QImage::Format_RGB32);
        for (int y = 0; y < bitmap.height; ++y) {
            auto* line = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
            const std::uint32_t* source =
                bitmap.pixels.data() +
                static_cast<std::size_t>(y) * static_cast<std::size_t>(bitmap.width);
            for (int x = 0; x < bitmap.width; ++x)
                line[x] = source[x] | 0xFF000000u;
        }
        return image;
    }
    // Premultiplied colour can never exceed its alpha; a file that says otherwise is clamped.
    QImage image(bitmap.width, bitmap.height, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < bitmap.height; ++y) {
        auto* line = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
        const std::uint32_t* source =
            bitmap.pixels.data() +
            static_cast<std::size_t>(y) * static_cast<std::size_t>(bitmap.width);
        for (int x = 0; x < bitmap.width; ++x) {
            const std::uint32_t p = source[x];
            const std::uint32_t a = p >> 24;
            const std::uint32_t r = std::min((p >> 16) & 0xFF, a);
            const std::uint32_t g = std::min((p >> 8) & 0xFF, a);
            const std::uint32_t b = std::min(p & 0xFF, a);
            line[x] = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
    return image;
}

} // namespace Metafile
