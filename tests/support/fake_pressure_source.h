#pragma once

#include <cstdint>

#include "brush/pressure_source.h"

namespace vt {

// A tablet whose state tests set field by field.
class TFakePressureSource : public TPressureSource {
 public:
  bool Available() const override { return available; }
  float X() const override { return x; }
  float Y() const override { return y; }
  std::int32_t Pressure() const override { return pressure; }
  std::int32_t MaxPressure() const override { return maxPressure; }
  std::int32_t Altitude() const override { return altitude; }
  std::int32_t MaxAltitude() const override { return maxAltitude; }
  bool InProximity() const override { return inProximity; }

  // One packet at a screen position with a raw pressure.
  void Packet(float px, float py, std::int32_t raw) {
    x = px;
    y = py;
    pressure = raw;
    inProximity = true;
  }

  bool available = true;
  float x = 0;
  float y = 0;
  std::int32_t pressure = 0;
  std::int32_t maxPressure = 1023;
  std::int32_t altitude = 900;
  std::int32_t maxAltitude = 900;
  bool inProximity = false;
};

}  // namespace vt
