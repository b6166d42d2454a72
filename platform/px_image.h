#pragma once

#include <QImage>

#include "raster/px.h"

namespace vt {

// Shows a TPX to Qt without copying: its rows are top-down 0xAARRGGBB words, which is
// QImage::Format_RGB32. The image is valid while the buffer keeps its size.
QImage WrapPX(TPX& px);

}  // namespace vt
