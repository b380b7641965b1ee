#include "app/dialogs/backup_dialog.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>

#include "app/dialogs/dialog_builder.h"
#include "app/resources/dialog_template.h"
#include "app/resources/resource_ids.h"
#include "app/user_prompts.h"
#include "jobs/backup_job.h"

namespace qv::app {
namespace {

constexpr int kPasswordControls[] = {IDC_PASSWORD_LABEL, IDC_PASSWORD, IDC_PASSWORD_CONFIRM};

// Whether `path`, as typed, names a folder (or a link to one): the archive can never
// take its place, and the job would find that out only at its end.
bool IsFolder(const QString& path) { return QFileInfo(path).isDir(); }

}  // namespace

CBackupDialog::CBackupDialog(QWidget* pParent) : QDialog(pParent) {
  BuildDialog(*this, BackupDialogTemplate());
  connect(DialogItemAs<QAbstractButton>(*this, IDC_BROWSE), &QAbstractButton::clicked, this,
          &CBackupDialog::OnBrowse);
  // Every change of the box counts, however it was made: a click, the space bar, or
  // an assistive tool's toggle.
  connect(DialogItemAs<QCheckBox>(*this, IDC_PROTECT), &QCheckBox::toggled, this,
          &CBackupDialog::OnProtectClicked);
  OnInitDialog();
}

void CBackupDialog::DoDataExchange(bool bSaveAndValidate) {
  auto* pFileName = DialogItemAs<QLineEdit>(*this, IDC_FILENAME);
  auto* pCompress = DialogItemAs<QCheckBox>(*this, IDC_COMPRESS);
  auto* pProtect = DialogItemAs<QCheckBox>(*this, IDC_PROTECT);
  auto* pPassword = DialogItemAs<QLineEdit>(*this, IDC_PASSWORD);
  auto* pConfirm = DialogItemAs<QLineEdit>(*this, IDC_PASSWORD_CONFIRM);
  if (bSaveAndValidate) {
    m_strFileName = pFileName->text();
    m_bCompress = pCompress->isChecked() ? 1 : 0;
    m_bProtect = pProtect->isChecked() ? 1 : 0;
    m_strPassword = pPassword->text();
    m_strPasswordConfirm = pConfirm->text();
  } else {
    pFileName->setText(m_strFileName);
    pCompress->setChecked(m_bCompress == 1);
    pProtect->setChecked(m_bProtect == 1);
    pPassword->setText(m_strPassword);
    pConfirm->setText(m_strPasswordConfirm);
  }
}

void CBackupDialog::OnInitDialog() {
  DoDataExchange(false);
  for (int nId : kPasswordControls) DialogItem(*this, nId)->setEnabled(false);
  DialogItem(*this, IDC_FILENAME)->setFocus();
}

void CBackupDialog::OnProtectClicked() {
  DoDataExchange(true);
  // The passwords stay in their boxes while these are disabled.
  for (int nId : kPasswordControls) DialogItem(*this, nId)->setEnabled(m_bProtect == 1);
}

void CBackupDialog::OnBrowse() {
  const QString path = Prompts().GetSaveFileName(this, QStringLiteral("Quorvel(*.qvl)"),
                                                 QStringLiteral("qvl"));
  if (!path.isEmpty()) DialogItemAs<QLineEdit>(*this, IDC_FILENAME)->setText(path);
}

void CBackupDialog::accept() { OnOK(); }

void CBackupDialog::OnOK() {
  DoDataExchange(true);
  if (m_strFileName.trimmed().isEmpty()) {
    return Refuse(IDC_FILENAME, "Please enter the filename before you press OK button!");
  }
  if (IsFolder(m_strFileName)) {
    return Refuse(IDC_FILENAME, "The filename is a folder, please enter the name of a file for the archive!");
  }
  if (m_bProtect == 1) {
    if (m_strPassword != m_strPasswordConfirm) {
      return Refuse(IDC_PASSWORD,
                    "Wrong password, please enter the password twice into the password boxes!");
    }
    // UTF-16 units, as the backup job counts them.
    if (static_cast<std::size_t>(m_strPassword.size()) < kMinPasswordLength) {
      return Refuse(IDC_PASSWORD,
                    "Password too short, please make sure your password has six or more characters!");
    }
    // The archive's key takes a character outside Windows-1252 for "?", so that
    // any password with "?" there would open it.
    if (!PasswordCharacterProblem(m_strPassword.toStdU16String()).empty()) {
      return Refuse(IDC_PASSWORD,
                    "Password has characters that protection cannot use, please use only Western European "
                    "letters, digits and signs!");
    }
  }
  QDialog::accept();
}

void CBackupDialog::Refuse(int nFocusId, const char* strMessage) {
  DialogItem(*this, nFocusId)->setFocus();
  ShowError(this, QString::fromUtf8(strMessage), QStringLiteral("Error"));
}

}  // namespace qv::app
