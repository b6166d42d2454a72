#include "brush/memory_settings_store.h"

#include <cmath>

namespace vt {

namespace {

// "A\B\" and "A\B" name the same key.
std::string NormalKey(const std::string& keyPath) {
  std::string key = keyPath;
  while (!key.empty() && key.back() == '\\') key.pop_back();
  return key;
}

}  // namespace

const TMemorySettingsStore::TValue* TMemorySettingsStore::Find(const std::string& keyPath,
                                                               const std::string& name) const {
  const auto key = keys_.find(NormalKey(keyPath));
  if (key == keys_.end()) return nullptr;
  const auto value = key->second.find(name);
  return value == key->second.end() ? nullptr : &value->second;
}

void TMemorySettingsStore::Store(const std::string& keyPath, const std::string& name, TValue value) {
  if (name.empty()) return;
  keys_[NormalKey(keyPath)][name] = std::move(value);
}

bool TMemorySettingsStore::ValueExists(const std::string& keyPath, const std::string& name) {
  return Find(keyPath, name) != nullptr;
}

std::int32_t TMemorySettingsStore::ReadInteger(const std::string& keyPath, const std::string& name,
                                               std::int32_t def) {
  const TValue* value = Find(keyPath, name);
  if (value == nullptr) return def;
  if (const auto* i = std::get_if<std::int32_t>(value)) return *i;
  if (const auto* b = std::get_if<bool>(value)) return *b ? 1 : 0;
  return def;
}

bool TMemorySettingsStore::ReadBool(const std::string& keyPath, const std::string& name, bool def) {
  const TValue* value = Find(keyPath, name);
  if (value == nullptr) return def;
  if (const auto* b = std::get_if<bool>(value)) return *b;
  if (const auto* i = std::get_if<std::int32_t>(value)) return *i == 0 || *i == 1 ? *i == 1 : def;
  return def;
}

double TMemorySettingsStore::ReadFloat(const std::string& keyPath, const std::string& name, double def) {
  const TValue* value = Find(keyPath, name);
  if (value == nullptr) return def;
  if (const auto* d = std::get_if<double>(value)) return std::isfinite(*d) ? *d : def;
  if (const auto* i = std::get_if<std::int32_t>(value)) return *i;
  return def;
}

std::string TMemorySettingsStore::ReadString(const std::string& keyPath, const std::string& name,
                                             const std::string& def) {
  const TValue* value = Find(keyPath, name);
  if (value == nullptr) return def;
  const auto* s = std::get_if<std::string>(value);
  return s != nullptr && s->size() <= kMaxStringBytes ? *s : def;
}

void TMemorySettingsStore::WriteInteger(const std::string& keyPath, const std::string& name,
                                        std::int32_t value) {
  Store(keyPath, name, value);
}

void TMemorySettingsStore::WriteBool(const std::string& keyPath, const std::string& name, bool value) {
  Store(keyPath, name, value);
}

void TMemorySettingsStore::WriteFloat(const std::string& keyPath, const std::string& name, double value) {
  Store(keyPath, name, value);
}

void TMemorySettingsStore::WriteString(const std::string& keyPath, const std::string& name,
                                       const std::string& value) {
  Store(keyPath, name, value);
}

std::size_t TMemorySettingsStore::ValueCount(const std::string& keyPath) const {
  const auto key = keys_.find(NormalKey(keyPath));
  return key == keys_.end() ? 0 : key->second.size();
}

}  // namespace vt
