#include "app/user_prompts.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <vector>

#include "app/workers/job_outcome.h"

namespace qv::app {
namespace {

UserPrompts* g_pInstalled = nullptr;  // the window's thread only

struct OpenQuestion {
  QMessageBox* pBox;
  QWidget* pOwner;
};
std::vector<OpenQuestion> g_questions;  // the Yes/No boxes up now, innermost last

QString IconName(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::kInformation:
      return QStringLiteral("Information");
    case BoxIcon::kError:
      return QStringLiteral("Error");
    case BoxIcon::kQuestion:
      return QStringLiteral("Question");
  }
  return {};
}

QMessageBox::Icon IconOf(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::kInformation:
      return QMessageBox::Information;
    case BoxIcon::kError:
      return QMessageBox::Critical;
    case BoxIcon::kQuestion:
      return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

bool UserPrompts::MessageBox(const MessageBoxRequest& request) {
  const bool bYesNo = request.buttons == BoxButtons::kYesNo;
  QMessageBox box(IconOf(request.icon), request.strCaption, request.strText,
                  bYesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, request.pOwner);
  box.setTextFormat(Qt::PlainText);
  // Screen readers announce a box by its name and read its description.
  box.setAccessibleName(request.strCaption);
  box.setAccessibleDescription(request.strText);
  if (auto* pIcon = box.findChild<QLabel*>(QStringLiteral("qt_msgboxex_icon_label"))) {
    pIcon->setAccessibleName(IconName(request.icon));
  }
  if (bYesNo) {
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
  }
  if (!request.strDetails.isEmpty()) box.setDetailedText(request.strDetails);
  // Some desktop styles put their icons on a box's standard buttons (a green arrow
  // on OK); the window's own dialogs show plain buttons, and so do its boxes.
  for (QAbstractButton* pButton : box.buttons()) pButton->setIcon(QIcon());
  if (bYesNo) g_questions.push_back({&box, request.pOwner});
  const int answer = box.exec();
  if (bYesNo) {
    std::erase_if(g_questions, [&box](const OpenQuestion& question) { return question.pBox == &box; });
  }
  return bYesNo ? answer == QMessageBox::Yes : true;
}

void UserPrompts::DismissQuestions(QWidget* pOwner) {
  for (const OpenQuestion& question : g_questions) {
    if (question.pOwner == pOwner) question.pBox->done(QMessageBox::No);
  }
}

int UserPrompts::RunDialog(QDialog& dialog) { return dialog.exec(); }

QString UserPrompts::GetOpenFileName(QWidget* pOwner, const QString& filter) {
  QFileDialog dialog(pOwner, QString(), QString(), filter);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

QString UserPrompts::GetSaveFileName(QWidget* pOwner, const QString& filter,
                                     const QString& defaultSuffix) {
  QFileDialog dialog(pOwner, QString(), QString(), filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(defaultSuffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

void UserPrompts::OpenUrl(const QUrl& url) {
  if (QDesktopServices::openUrl(url)) return;
  const OutcomeBox box = NotOpenedBox((url.isLocalFile() ? url.toLocalFile() : url.toString()).toStdString());
  MessageBox({nullptr, QString::fromStdString(box.strText), QString::fromStdString(box.strCaption)});
}

UserPrompts& Prompts() {
  static UserPrompts real;
  return g_pInstalled ? *g_pInstalled : real;
}

ScopedPrompts::ScopedPrompts(UserPrompts& prompts) : m_pPrevious(g_pInstalled) {
  g_pInstalled = &prompts;
}

ScopedPrompts::~ScopedPrompts() { g_pInstalled = m_pPrevious; }

void ShowInformation(QWidget* pOwner, const QString& text, const QString& caption) {
  (void)Prompts().MessageBox({pOwner, text, caption, BoxIcon::kInformation, BoxButtons::kOk});
}

void ShowError(QWidget* pOwner, const QString& text, const QString& caption, const QString& details) {
  (void)Prompts().MessageBox({pOwner, text, caption, BoxIcon::kError, BoxButtons::kOk, details});
}

}  // namespace qv::app
