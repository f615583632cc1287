#pragma once

#include <QImage>

// The pictures of the splash window, painted in code at the sizes the window uses, so the
// program needs no picture files for them.
namespace SplashPictures {

// 400 x 300, 24-bit: the product picture, three monitors linked in a ring on a blue background,
// with a dark plate at the top right where the status mark and the progress bar sit.
QImage Product();

// 27 x 10, 24-bit: the status marks "Load" and "Done", yellow letters on blue.
QImage LoadMark();
QImage DoneMark();

// 6 x 15, 32-bit: one empty segment of the progress bar, olive-brown with a grey edge.
QImage BarBackTexture();

// 6 x 15, 24-bit: one lit segment, orange-yellow on a green field. The green is the colour of
// its bottom-left pixel, so the bar draws it see-through.
QImage BarForeTexture();

} // namespace SplashPictures
