// The about box: icon, the product's name in a large bold font, the copyright.
#pragma once

#include <QDialog>
#include <QFont>

namespace qv::app {

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* pParent = nullptr);

 private:
  void OnInitDialog();
  // Leaves the dialog open.
  void OnVisitWebsite();

  QFont m_fontTitle;
};

}  // namespace qv::app
