#include "tests/app/support/scripted_prompts.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QMetaObject>

#include "app/dialogs/dialog_builder.h"
#include "app/resources/resource_ids.h"

namespace qv::app::test {

bool ScriptedPrompts::MessageBox(const MessageBoxRequest& request) {
  const std::size_t nIndex = boxes.size();
  boxes.push_back({request.strText, request.strCaption, request.icon, request.buttons, request.pOwner,
                   request.strDetails, m_open.size()});
  m_open.push_back(nIndex);
  // A copy: the box list may grow while this one is up.
  if (whileBoxUp) whileBoxUp(ShownBox(boxes[nIndex]));
  m_open.pop_back();
  if (boxes[nIndex].bDismissed) return false;
  return request.buttons == BoxButtons::kOk || bAnswerYes;
}

void ScriptedPrompts::DismissQuestions(QWidget* pOwner) {
  for (std::size_t nIndex : m_open) {
    ShownBox& box = boxes[nIndex];
    if (box.buttons == BoxButtons::kYesNo && box.pOwner == pOwner) box.bDismissed = true;
  }
}

int ScriptedPrompts::RunDialog(QDialog& dialog) {
  dialogsRun.push_back(QString::fromLatin1(dialog.metaObject()->className()));
  if (dialogAnswers.empty()) return QDialog::Rejected;
  const auto answer = std::move(dialogAnswers.front());
  dialogAnswers.pop_front();
  dialog.show();
  const int result = answer(dialog);
  dialog.hide();
  return result;
}

QString ScriptedPrompts::GetOpenFileName(QWidget* pOwner, const QString& filter) {
  return GetSaveFileName(pOwner, filter, QString());
}

QString ScriptedPrompts::GetSaveFileName(QWidget*, const QString& filter, const QString& defaultSuffix) {
  fileDialogs.emplace_back(filter, defaultSuffix);
  if (fileAnswers.empty()) return {};
  const QString answer = fileAnswers.front();
  fileAnswers.pop_front();
  return answer;
}

void TypeInto(QDialog& dialog, int nId, const QString& text) {
  DialogItemAs<QLineEdit>(dialog, nId)->setText(text);
}

void SetTicked(QDialog& dialog, int nId, bool bTicked) {
  auto* pBox = DialogItemAs<QCheckBox>(dialog, nId);
  if (pBox->isChecked() != bTicked) pBox->click();
}

void Press(QDialog& dialog, int nId) { DialogItemAs<QAbstractButton>(dialog, nId)->click(); }

std::function<int(QDialog&)> FillAndOk(std::initializer_list<std::pair<int, QString>> entries) {
  std::vector<std::pair<int, QString>> copied(entries);
  return [copied](QDialog& dialog) {
    for (const auto& [nId, text] : copied) {
      if (qobject_cast<QCheckBox*>(DialogItem(dialog, nId))) {
        SetTicked(dialog, nId, true);
      } else {
        TypeInto(dialog, nId, text);
      }
    }
    Press(dialog, IDOK);
    return dialog.result();
  };
}

std::function<int(QDialog&)> Cancel() {
  return [](QDialog& dialog) {
    Press(dialog, IDCANCEL);
    return dialog.result();
  };
}

}  // namespace qv::app::test
