#include "platform/qt_settings_store.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vt {
namespace {

const std::string kRoot = kSettingsRootKey;
const std::string kPen1 = kRoot + "\\pen1";

class QtSettingsStoreTest : public ::testing::Test {
 protected:
  QString IniPath() const { return dir_.path() + "/lanternworks/vellumTide.ini"; }
  QTemporaryDir dir_;
};

TEST_F(QtSettingsStoreTest, ValuesSurviveAReopen) {
  {
    TQtSettingsStore store(dir_.path());
    store.WriteInteger(kRoot, "WinLeft", -40);
    store.WriteBool(kRoot, "Maximized", false);
    store.WriteString(kRoot, "NetServerUser", "ホスト, 1");
    store.WriteFloat(kPen1, "WIDTH", 2.5);
    store.WriteBool(kPen1, "ifSIZE", true);
  }
  TQtSettingsStore store(dir_.path());
  EXPECT_EQ(store.ReadInteger(kRoot, "WinLeft", 0), -40);
  EXPECT_FALSE(store.ReadBool(kRoot, "Maximized", true));
  EXPECT_EQ(store.ReadString(kRoot, "NetServerUser", ""), "ホスト, 1");
  EXPECT_DOUBLE_EQ(store.ReadFloat(kPen1, "WIDTH", 0), 2.5);
  EXPECT_TRUE(store.ReadBool(kPen1, "ifSIZE", false));
  EXPECT_FALSE(store.ValueExists(kRoot, "WIDTH"));
  EXPECT_EQ(store.ReadInteger(kRoot, "Missing", 9), 9);
}

TEST_F(QtSettingsStoreTest, KeyPathsMapToGroupsOfTheApplication) {
  {
    TQtSettingsStore store(dir_.path());
    store.WriteInteger(kRoot, "NetWidth", 600);
    store.WriteInteger(kPen1, "MIN", 75);
    store.WriteBool("Software\\lanternworks\\GatherClient\\vTConfig", "IsServer", true);
  }
  QSettings ini(IniPath(), QSettings::IniFormat);
  EXPECT_EQ(ini.value("NetWidth").toInt(), 600);
  EXPECT_EQ(ini.value("pen1/MIN").toInt(), 75);
  QSettings lobby(dir_.path() + "/lanternworks/GatherClient.ini", QSettings::IniFormat);
  EXPECT_TRUE(lobby.value("vTConfig/IsServer").toBool());
}

TEST_F(QtSettingsStoreTest, UnstorablePathsAndNamesAreIgnored) {
  TQtSettingsStore store(dir_.path());
  for (const std::string& key :
       {std::string("lanternworks\\vellumTide"), std::string("Software\\lanternworks"), kRoot + "\\..\\x",
        kRoot + "\\a/b", std::string()}) {
    store.WriteInteger(key, "X", 1);
    EXPECT_EQ(store.ReadInteger(key, "X", 5), 5) << key;
  }
  store.WriteInteger(kRoot, "a/b", 1);
  store.WriteInteger(kRoot, "", 1);
  EXPECT_EQ(store.ReadInteger(kRoot, "a/b", 5), 5);
  store.Sync();
  EXPECT_TRUE(QSettings(IniPath(), QSettings::IniFormat).allKeys().isEmpty());
}

TEST_F(QtSettingsStoreTest, UntrustedValuesFallBackToTheDefault) {
  {
    QSettings ini(IniPath(), QSettings::IniFormat);
    ini.setValue("WinLeft", "12abc");
    ini.setValue("WinTop", "99999999999");
    ini.setValue("WinWidth", " 640 ");
    ini.setValue("EventWait", "2");
    ini.setValue("Japanese", "TRUE");
    ini.setValue("NetIP", QStringList{"1", "2"});
    ini.setValue("pen1/GAMMA", "nan");
    ini.setValue("pen1/WIDTH", "1e999");
    ini.setValue("pen1/MIN", "75.5");
    ini.setValue("Path", QString(int(TSettingsStore::kMaxStringBytes) + 1, QChar('x')));
  }
  TQtSettingsStore store(dir_.path());
  EXPECT_EQ(store.ReadInteger(kRoot, "WinLeft", -1), -1);
  EXPECT_EQ(store.ReadInteger(kRoot, "WinTop", -1), -1);
  EXPECT_EQ(store.ReadInteger(kRoot, "WinWidth", -1), 640);
  EXPECT_FALSE(store.ReadBool(kRoot, "EventWait", false));
  EXPECT_TRUE(store.ReadBool(kRoot, "Japanese", false));
  EXPECT_EQ(store.ReadString(kRoot, "NetIP", "127.0.0.1"), "127.0.0.1");
  EXPECT_DOUBLE_EQ(store.ReadFloat(kPen1, "GAMMA", 1.0), 1.0);
  EXPECT_DOUBLE_EQ(store.ReadFloat(kPen1, "WIDTH", 1.5), 1.5);
  EXPECT_DOUBLE_EQ(store.ReadFloat(kPen1, "MIN", 0), 75.5);
  EXPECT_EQ(store.ReadString(kRoot, "Path", "p"), "p");
}

}  // namespace
}  // namespace vt
