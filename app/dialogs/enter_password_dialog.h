// Asks for the password of a protected archive before a restore.
#pragma once

#include <QDialog>
#include <QString>

namespace qv::app {

class CEnterPasswordDialog : public QDialog {
  Q_OBJECT

 public:
  explicit CEnterPasswordDialog(QWidget* pParent = nullptr);

  // Takes any text, the empty one included: the archive's verifier judges it.
  void accept() override;

  QString m_strPassword;  // read by the restore command after OK

 private:
  void DoDataExchange(bool bSaveAndValidate);
};

}  // namespace qv::app
