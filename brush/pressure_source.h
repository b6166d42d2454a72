#pragma once

#include <cstdint>

namespace vt {

// A pressure-sensitive pointing device as the pen pipeline sees it: the last sample's
// screen position, raw normal pressure with the device's maximum, raw altitude with its
// maximum (negative when the pen is turned round to its eraser end) and whether the pen
// is near the device.
class TPressureSource {
 public:
  virtual ~TPressureSource() = default;
  // A device is there; without one the mouse draws at full pressure.
  virtual bool Available() const = 0;
  virtual float X() const = 0;
  virtual float Y() const = 0;
  virtual std::int32_t Pressure() const = 0;
  virtual std::int32_t MaxPressure() const = 0;
  virtual std::int32_t Altitude() const = 0;
  virtual std::int32_t MaxAltitude() const = 0;
  virtual bool InProximity() const = 0;

  // Pressure / maximum in 0..1. Device values are not trusted: a maximum that is not
  // positive gives 0, and values beyond the maximum give 1.
  float NormalPressure() const { return Ratio(Pressure(), MaxPressure(), 0.0f); }
  // Altitude / maximum in -1..1, with the same guards.
  float NormalAltitude() const { return Ratio(Altitude(), MaxAltitude(), -1.0f); }

 private:
  static float Ratio(std::int32_t value, std::int32_t maximum, float lowest) {
    if (maximum <= 0) return 0.0f;
    const float r = static_cast<float>(value) / static_cast<float>(maximum);
    return r < lowest ? lowest : r > 1.0f ? 1.0f : r;
  }
};

}  // namespace vt
