// The backup options: the archive's path, compression, and a password typed twice.
#pragma once

#include <QDialog>
#include <QString>

namespace qv::app {

class CBackupDialog : public QDialog {
  Q_OBJECT

 public:
  explicit CBackupDialog(QWidget* pParent = nullptr);

  // OK runs the dialog's checks; it closes only when they pass.
  void accept() override;

  // Read by the backup command after OK. The path and the passwords are as typed,
  // blanks at their ends included.
  QString m_strFileName;
  int m_bCompress = 0;
  int m_bProtect = 0;
  QString m_strPassword;
  QString m_strPasswordConfirm;

 private:
  // Controls into the members when bSaveAndValidate, else members into controls.
  void DoDataExchange(bool bSaveAndValidate);
  void OnInitDialog();
  void OnOK();
  void OnBrowse();
  void OnProtectClicked();
  // Puts the focus on the box to correct, then says what is wrong.
  void Refuse(int nFocusId, const char* strMessage);
};

}  // namespace qv::app
