#include "app/dialogs/backup_dialog.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>

#include "app/dialogs/backup_checks.h"
#include "app/dialogs/dialog_builder.h"
#include "app/resources/dialog_template.h"
#include "app/resources/resource_ids.h"
#include "app/user_prompts.h"
#include "app/workers/job_outcome.h"

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
  const QString path = Prompts().GetSaveFileName(this, QString::fromUtf8(kBackupFilter),
                                                 QStringLiteral("qvl"));
  if (!path.isEmpty()) DialogItemAs<QLineEdit>(*this, IDC_FILENAME)->setText(path);
}

void CBackupDialog::accept() { OnOK(); }

void CBackupDialog::OnOK() {
  DoDataExchange(true);
  const BackupEntryProblem problem =
      CheckBackupEntries(m_strFileName.toStdU16String(), IsFolder(m_strFileName), m_bProtect == 1,
                         m_strPassword.toStdU16String(), m_strPasswordConfirm.toStdU16String());
  if (problem.strMessage) return Refuse(problem.nFocusId, problem.strMessage);
  QDialog::accept();
}

void CBackupDialog::Refuse(int nFocusId, const char* strMessage) {
  DialogItem(*this, nFocusId)->setFocus();
  ShowError(this, QString::fromUtf8(strMessage), QStringLiteral("Error"));
}

}  // namespace qv::app
