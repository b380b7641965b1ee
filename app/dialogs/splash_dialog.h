// The welcome dialog: the splash picture, Continue, and a way to the website.
#pragma once

#include <QDialog>

namespace qv::app {

class CSplashDialog : public QDialog {
  Q_OBJECT

 public:
  explicit CSplashDialog(QWidget* pParent = nullptr);

 private:
  // Leaves the dialog open.
  void OnVisitWebsite();
};

}  // namespace qv::app
