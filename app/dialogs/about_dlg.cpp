#include "app/dialogs/about_dlg.h"

#include <QAbstractButton>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>

#include "app/dialogs/dialog_builder.h"
#include "app/help_pages.h"
#include "app/resources/dialog_template.h"
#include "app/resources/resource_ids.h"
#include "app/user_prompts.h"

namespace qv::app {
namespace {

constexpr int kTitleCellHeight = 19;

QFont TitleFont() {
  QFont font(QStringLiteral("Tahoma"));
  if (!QFontInfo(font).exactMatch()) {
    font = QFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
  }
  font.setStyleHint(QFont::SansSerif);
  font.setBold(true);
  // The title's height is the whole character cell, as a Windows font height
  // counts it; Qt's pixel size leaves out the internal leading.
  font.setPixelSize(kTitleCellHeight);
  const int cell = QFontMetrics(font).height();
  if (cell > kTitleCellHeight) font.setPixelSize(qMax(1, kTitleCellHeight * kTitleCellHeight / cell));
  return font;
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* pParent) : QDialog(pParent) {
  BuildDialog(*this, AboutDialogTemplate());
  connect(DialogItemAs<QAbstractButton>(*this, IDC_WEBSITE), &QAbstractButton::clicked, this,
          &CAboutDlg::OnVisitWebsite);
  OnInitDialog();
}

void CAboutDlg::OnInitDialog() {
  m_fontTitle = TitleFont();
  DialogItem(*this, IDC_TITLE)->setFont(m_fontTitle);
  DialogItem(*this, IDOK)->setFocus();
}

void CAboutDlg::OnVisitWebsite() { Prompts().OpenUrl(WebsiteUrl()); }

}  // namespace qv::app
