#pragma once

#include "metafile/MetafileTypes.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPen>

// The metafile's logical objects as Qt draws them.
namespace Metafile {

QColor ToQColor(TColor color);

// A pen in logical units. pixelsPerUnit is how many output pixels one logical unit covers: a
// pen that would come out thinner than one pixel is drawn one pixel wide, as GDI does. Miter
// joins longer than miterLimit times the pen's width are beveled.
QPen MakePen(const TLogPen& pen, double pixelsPerUnit, double miterLimit);

// Solid, hollow and hatched brushes, and pattern brushes from their bitmap. Hatches are drawn in
// output pixels, as GDI's are.
QBrush MakeBrush(const TLogBrush& brush);

// A font whose size is given in output pixels: heightPixels < 0 is the character height (the em),
// > 0 the cell height, as in the LOGFONT; widthPixels > 0 is the average character width the
// font is stretched to, 0 its natural width.
QFont MakeFont(const TLogFont& font, double heightPixels, double widthPixels);

// The bitmap as an image. Opaque ignores the top byte of 32-bit pixels, as every raster
// operation does; otherwise the pixels are read as premultiplied alpha, as AlphaBlend does.
enum class EAlpha { Opaque, Premultiplied };
QImage ToQImage(const TBitmap& bitmap, EAlpha alpha);

} // namespace Metafile
