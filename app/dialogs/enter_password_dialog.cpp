#include "app/dialogs/enter_password_dialog.h"

#include <QLineEdit>

#include "app/dialogs/dialog_builder.h"
#include "app/resources/dialog_template.h"
#include "app/resources/resource_ids.h"

namespace qv::app {

CEnterPasswordDialog::CEnterPasswordDialog(QWidget* pParent) : QDialog(pParent) {
  BuildDialog(*this, EnterPasswordDialogTemplate());
  DoDataExchange(false);
  DialogItem(*this, IDC_PASSWORD)->setFocus();
}

void CEnterPasswordDialog::DoDataExchange(bool bSaveAndValidate) {
  auto* pPassword = DialogItemAs<QLineEdit>(*this, IDC_PASSWORD);
  if (bSaveAndValidate) {
    m_strPassword = pPassword->text();
  } else {
    pPassword->setText(m_strPassword);
  }
}

void CEnterPasswordDialog::accept() {
  DoDataExchange(true);
  QDialog::accept();
}

}  // namespace qv::app
