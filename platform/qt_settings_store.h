#pragma once

#include "brush/settings_store.h"

#include <QSettings>
#include <QString>
#include <QVariant>

#include <map>
#include <memory>
#include <optional>

namespace vt {

// The settings store over QSettings. A key path "Software\<organisation>\<application>"
// is that application's top level and each further part is a group:
// "Software\lanternworks\vellumTide\pen1" is the group "pen1" of organisation
// "lanternworks", application "vellumTide". Value names are kept as they are. Values in
// the file are untrusted: text that is not a number, a number outside the type's range or
// a value of another kind reads as the default.
class TQtSettingsStore : public TSettingsStore {
 public:
  // The user's own store, in the platform's native format.
  TQtSettingsStore();
  // INI files <folder>/<organisation>/<application>.ini, for tests.
  explicit TQtSettingsStore(const QString& folder);
  ~TQtSettingsStore() override;

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

  // Writes pending changes to disk.
  void Sync();

 private:
  struct TLocation {
    QSettings* Settings = nullptr;
    QString Key;
  };

  // The file and full key of a value, or no settings when the path or name is not storable.
  TLocation Locate(const std::string& keyPath, const std::string& name);
  std::optional<QVariant> Value(const std::string& keyPath, const std::string& name);
  void Store(const std::string& keyPath, const std::string& name, const QVariant& value);

  QString folder_;
  std::map<QString, std::unique_ptr<QSettings>> files_;
};

}  // namespace vt
