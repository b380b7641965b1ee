#include "app/dialogs/splash_dialog.h"

#include <QAbstractButton>

#include "app/dialogs/dialog_builder.h"
#include "app/help_pages.h"
#include "app/resources/dialog_template.h"
#include "app/resources/resource_ids.h"
#include "app/user_prompts.h"

namespace qv::app {

CSplashDialog::CSplashDialog(QWidget* pParent) : QDialog(pParent) {
  BuildDialog(*this, SplashDialogTemplate());
  connect(DialogItemAs<QAbstractButton>(*this, IDC_WEBSITE), &QAbstractButton::clicked, this,
          &CSplashDialog::OnVisitWebsite);
}

void CSplashDialog::OnVisitWebsite() { Prompts().OpenUrl(WebsiteUrl()); }

}  // namespace qv::app
