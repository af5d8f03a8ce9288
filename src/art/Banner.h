#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>

namespace zezu {

// The about box's banner: the product title in large light typewriter letters
// over a dark ground of faded lines of character references.
constexpr QSize kBannerSize{200, 50};
// Where the about box writes the version line on the banner; the picture
// keeps that strip calm so the light grey text reads.
constexpr QPoint kBannerVersionLine{95, 30};

// 24-bit colour, no transparency.
QImage bannerImage();

} // namespace zezu
