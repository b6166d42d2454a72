#include "platform/qt_settings_store.h"

#include <QStringList>

#include <cmath>
#include <limits>

namespace vt {

namespace {

bool IsStorablePart(const QString& part) {
  return !part.isEmpty() && !part.contains(QLatin1Char('/')) && !part.contains(QLatin1Char('\\')) &&
         part != QLatin1String(".") && part != QLatin1String("..");
}

std::optional<std::int64_t> AsInteger(const QVariant& value) {
  bool ok = false;
  std::int64_t number = 0;
  switch (value.typeId()) {
    case QMetaType::QString:
      number = value.toString().trimmed().toLongLong(&ok, 10);
      break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
      number = value.toLongLong(&ok);
      break;
    case QMetaType::Bool:
      return value.toBool() ? 1 : 0;
    default:
      break;
  }
  return ok ? std::optional<std::int64_t>(number) : std::nullopt;
}

}  // namespace

TQtSettingsStore::TQtSettingsStore() = default;

TQtSettingsStore::TQtSettingsStore(const QString& folder) : folder_(folder) {}

TQtSettingsStore::~TQtSettingsStore() { Sync(); }

void TQtSettingsStore::Sync() {
  for (auto& file : files_) file.second->sync();
}

TQtSettingsStore::TLocation TQtSettingsStore::Locate(const std::string& keyPath, const std::string& name) {
  QStringList parts = QString::fromStdString(keyPath).split(QLatin1Char('\\'));
  while (!parts.isEmpty() && parts.back().isEmpty()) parts.removeLast();
  const QString valueName = QString::fromStdString(name);
  if (parts.size() < 3 || parts[0].compare(QLatin1String("Software"), Qt::CaseInsensitive) != 0) return {};
  if (!IsStorablePart(valueName)) return {};
  for (const QString& part : parts) {
    if (!IsStorablePart(part)) return {};
  }
  const QString organisation = parts[1];
  const QString application = parts[2];
  const QString fileKey = organisation + QLatin1Char('/') + application;
  auto& settings = files_[fileKey];
  if (!settings) {
    settings = folder_.isEmpty()
                   ? std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, organisation,
                                                 application)
                   : std::make_unique<QSettings>(folder_ + QLatin1Char('/') + fileKey + QLatin1String(".ini"),
                                                 QSettings::IniFormat);
  }
  const QStringList groups = parts.mid(3);
  const QString key =
      groups.isEmpty() ? valueName : groups.join(QLatin1Char('/')) + QLatin1Char('/') + valueName;
  return {settings.get(), key};
}

std::optional<QVariant> TQtSettingsStore::Value(const std::string& keyPath, const std::string& name) {
  const TLocation at = Locate(keyPath, name);
  if (at.Settings == nullptr || !at.Settings->contains(at.Key)) return std::nullopt;
  return at.Settings->value(at.Key);
}

void TQtSettingsStore::Store(const std::string& keyPath, const std::string& name, const QVariant& value) {
  const TLocation at = Locate(keyPath, name);
  if (at.Settings != nullptr) at.Settings->setValue(at.Key, value);
}

bool TQtSettingsStore::ValueExists(const std::string& keyPath, const std::string& name) {
  return Value(keyPath, name).has_value();
}

std::int32_t TQtSettingsStore::ReadInteger(const std::string& keyPath, const std::string& name,
                                           std::int32_t def) {
  const auto value = Value(keyPath, name);
  if (!value) return def;
  const auto number = AsInteger(*value);
  if (!number || *number < std::numeric_limits<std::int32_t>::min() ||
      *number > std::numeric_limits<std::int32_t>::max()) {
    return def;
  }
  return static_cast<std::int32_t>(*number);
}

bool TQtSettingsStore::ReadBool(const std::string& keyPath, const std::string& name, bool def) {
  const auto value = Value(keyPath, name);
  if (!value) return def;
  if (value->typeId() == QMetaType::QString) {
    const QString text = value->toString().trimmed().toLower();
    if (text == QLatin1String("true")) return true;
    if (text == QLatin1String("false")) return false;
  }
  const auto number = AsInteger(*value);
  if (number && (*number == 0 || *number == 1)) return *number == 1;
  return def;
}

double TQtSettingsStore::ReadFloat(const std::string& keyPath, const std::string& name, double def) {
  const auto value = Value(keyPath, name);
  if (!value) return def;
  bool ok = false;
  double number = 0;
  switch (value->typeId()) {
    case QMetaType::QString:
      number = value->toString().trimmed().toDouble(&ok);
      break;
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
      number = value->toDouble(&ok);
      break;
    default:
      break;
  }
  return ok && std::isfinite(number) ? number : def;
}

std::string TQtSettingsStore::ReadString(const std::string& keyPath, const std::string& name,
                                         const std::string& def) {
  const auto value = Value(keyPath, name);
  if (!value || value->typeId() != QMetaType::QString) return def;
  const QByteArray text = value->toString().toUtf8();
  if (static_cast<std::size_t>(text.size()) > kMaxStringBytes) return def;
  return text.toStdString();
}

void TQtSettingsStore::WriteInteger(const std::string& keyPath, const std::string& name, std::int32_t value) {
  Store(keyPath, name, QVariant(value));
}

void TQtSettingsStore::WriteBool(const std::string& keyPath, const std::string& name, bool value) {
  Store(keyPath, name, QVariant(value));
}

void TQtSettingsStore::WriteFloat(const std::string& keyPath, const std::string& name, double value) {
  if (std::isfinite(value)) Store(keyPath, name, QVariant(value));
}

void TQtSettingsStore::WriteString(const std::string& keyPath, const std::string& name,
                                   const std::string& value) {
  Store(keyPath, name, QVariant(QString::fromStdString(value)));
}

}  // namespace vt
