#include "ui/vt_main.h"

#include <QMdiArea>
#include <QStatusBar>

namespace vt {

TVTMain::TVTMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName("VTMain");
  setWindowTitle(ProductTitle());
  documentArea_ = new QMdiArea(this);
  documentArea_->setBackground(QColor(0x80, 0x80, 0x80));
  setCentralWidget(documentArea_);
  statusBar()->showMessage(QString());
  resize(1024, 768);
}

QString TVTMain::ProductTitle() { return QStringLiteral(VT_PRODUCT_NAME " " VT_VERSION); }

}  // namespace vt
