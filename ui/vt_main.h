#pragma once

#include <QMainWindow>

class QMdiArea;

namespace vt {

// The frame window: a multiple-document area that holds the document windows.
class TVTMain : public QMainWindow {
  Q_OBJECT

 public:
  explicit TVTMain(QWidget* parent = nullptr);

  QMdiArea* DocumentArea() const { return documentArea_; }

  static QString ProductTitle();

 private:
  QMdiArea* documentArea_ = nullptr;
};

}  // namespace vt
