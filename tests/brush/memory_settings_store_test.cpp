#include "brush/memory_settings_store.h"

#include <gtest/gtest.h>

#include <limits>

namespace vt {
namespace {

const std::string kPen1 = std::string(kSettingsRootKey) + "\\pen1";

TEST(MemorySettingsStore, MissingValuesGiveDefaults) {
  TMemorySettingsStore store;
  EXPECT_FALSE(store.ValueExists(kSettingsRootKey, "WinLeft"));
  EXPECT_EQ(store.ReadInteger(kSettingsRootKey, "WinLeft", 17), 17);
  EXPECT_TRUE(store.ReadBool(kSettingsRootKey, "Maximized", true));
  EXPECT_DOUBLE_EQ(store.ReadFloat(kPen1, "WIDTH", 1.5), 1.5);
  EXPECT_EQ(store.ReadString(kSettingsRootKey, "NetIP", "127.0.0.1"), "127.0.0.1");
}

TEST(MemorySettingsStore, ValuesAreGroupedByKeyPath) {
  TMemorySettingsStore store;
  store.WriteInteger(kSettingsRootKey, "NetWidth", 640);
  store.WriteFloat(kPen1, "WIDTH", 2.25);
  store.WriteBool(kPen1, "ifSIZE", true);
  store.WriteString(kSettingsRootKey, "NetServerUser", "HOST");
  EXPECT_EQ(store.ReadInteger(std::string(kSettingsRootKey) + "\\", "NetWidth", 0), 640);
  EXPECT_FALSE(store.ValueExists(kSettingsRootKey, "WIDTH"));
  EXPECT_DOUBLE_EQ(store.ReadFloat(kPen1, "WIDTH", 0), 2.25);
  EXPECT_TRUE(store.ReadBool(kPen1, "ifSIZE", false));
  EXPECT_EQ(store.ReadInteger(kPen1, "ifSIZE", 5), 1);  // a boolean is stored as 0 or 1
  EXPECT_EQ(store.ReadString(kSettingsRootKey, "NetServerUser", ""), "HOST");
  EXPECT_EQ(store.ValueCount(kPen1), 2u);
}

TEST(MemorySettingsStore, WrongTypesAndAbsurdValuesFallBack) {
  TMemorySettingsStore store;
  store.WriteString(kSettingsRootKey, "WinLeft", "12");
  store.WriteInteger(kSettingsRootKey, "EventWait", 7);
  store.WriteFloat(kPen1, "GAMMA", std::numeric_limits<double>::infinity());
  store.WriteInteger(kSettingsRootKey, "NetIP", 3);
  store.WriteString(kSettingsRootKey, "Path", std::string(TSettingsStore::kMaxStringBytes + 1, 'x'));
  EXPECT_EQ(store.ReadInteger(kSettingsRootKey, "WinLeft", -1), -1);
  EXPECT_FALSE(store.ReadBool(kSettingsRootKey, "EventWait", false));
  EXPECT_DOUBLE_EQ(store.ReadFloat(kPen1, "GAMMA", 1.0), 1.0);
  EXPECT_EQ(store.ReadString(kSettingsRootKey, "NetIP", "d"), "d");
  EXPECT_EQ(store.ReadString(kSettingsRootKey, "Path", "d"), "d");
}

}  // namespace
}  // namespace vt
