#include "platform/px_image.h"

namespace vt {

QImage WrapPX(TPX& px) {
  return QImage(px.Bits, px.Width, px.Height, static_cast<qsizetype>(px.Width) * 4, QImage::Format_RGB32);
}

}  // namespace vt
