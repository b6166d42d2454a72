#pragma once

#include <cstdint>
#include <string>

namespace vt {

// The per-user settings: named values grouped under key paths such as
// "Software\lanternworks\vellumTide" (the program's root key) or
// "Software\lanternworks\vellumTide\pen1" (a brush preset). Every read gives a default
// when the value is missing, of another type or out of range; a store never fails a
// caller. A key path or value name the store cannot hold is read as missing and not
// written.
class TSettingsStore {
 public:
  virtual ~TSettingsStore() = default;

  virtual bool ValueExists(const std::string& keyPath, const std::string& name) = 0;

  virtual std::int32_t ReadInteger(const std::string& keyPath, const std::string& name, std::int32_t def) = 0;
  virtual bool ReadBool(const std::string& keyPath, const std::string& name, bool def) = 0;
  // Finite values only.
  virtual double ReadFloat(const std::string& keyPath, const std::string& name, double def) = 0;
  // UTF-8; at most kMaxStringBytes.
  virtual std::string ReadString(const std::string& keyPath, const std::string& name,
                                 const std::string& def) = 0;

  virtual void WriteInteger(const std::string& keyPath, const std::string& name, std::int32_t value) = 0;
  virtual void WriteBool(const std::string& keyPath, const std::string& name, bool value) = 0;
  virtual void WriteFloat(const std::string& keyPath, const std::string& name, double value) = 0;
  virtual void WriteString(const std::string& keyPath, const std::string& name, const std::string& value) = 0;

  // Longer strings read back as the default: no setting of this program is near it.
  static constexpr std::size_t kMaxStringBytes = 32768;
};

// The program's root key.
inline constexpr const char* kSettingsRootKey = "Software\\lanternworks\\vellumTide";

}  // namespace vt
