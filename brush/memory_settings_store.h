#pragma once

#include "brush/settings_store.h"

#include <map>
#include <string>
#include <variant>

namespace vt {

// Settings kept in memory, for tests and for runs that must not touch the user's store.
// Integers and booleans read as each other (a boolean is the integer 0 or 1, any other
// integer reads as the default); an integer also reads as a float.
class TMemorySettingsStore : public TSettingsStore {
 public:
  bool ValueExists(const std::string& keyPath, const std::string& name) override;
  std::int32_t ReadInteger(const std::string& keyPath, const std::string& name, std::int32_t def) override;
  bool ReadBool(const std::string& keyPath, const std::string& name, bool def) override;
  double ReadFloat(const std::string& keyPath, const std::string& name, double def) override;
  std::string ReadString(const std::string& keyPath, const std::string& name,
                         const std::string& def) override;
  void WriteInteger(const std::string& keyPath, const std::string& name, std::int32_t value) override;
  void WriteBool(const std::string& keyPath, const std::string& name, bool value) override;
  void WriteFloat(const std::string& keyPath, const std::string& name, double value) override;
  void WriteString(const std::string& keyPath, const std::string& name, const std::string& value) override;

  // Number of values stored under the key path.
  std::size_t ValueCount(const std::string& keyPath) const;

 private:
  using TValue = std::variant<std::int32_t, bool, double, std::string>;

  const TValue* Find(const std::string& keyPath, const std::string& name) const;
  void Store(const std::string& keyPath, const std::string& name, TValue value);

  std::map<std::string, std::map<std::string, TValue>> keys_;
};

}  // namespace vt
