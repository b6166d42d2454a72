#include <QApplication>

#include "ui/vt_main.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setOrganizationName("lanternworks");
  QApplication::setApplicationName("vellumTide");
  QApplication::setApplicationVersion(VT_VERSION);
  vt::TVTMain window;
  window.show();
  return QApplication::exec();
}
