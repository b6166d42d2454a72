#include "ui/vt_main.h"

#include <QApplication>
#include <QMdiArea>

#include <gtest/gtest.h>

namespace vt {
namespace {

TEST(VTMain, OpensTitledWithAnEmptyDocumentAreaAndClosesCleanly) {
  auto* window = new TVTMain;
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->show();
  QApplication::processEvents();
  EXPECT_EQ(window->windowTitle(), QString("vellumTide " VT_VERSION));
  ASSERT_NE(window->DocumentArea(), nullptr);
  EXPECT_TRUE(window->DocumentArea()->subWindowList().isEmpty());
  EXPECT_TRUE(window->close());
  QApplication::processEvents();
}

}  // namespace
}  // namespace vt
