// Answers the window's boxes and dialogs for a test, and keeps what they said.
// Installed for its own life.
#pragma once

#include <QString>
#include <QUrl>
#include <deque>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

#include "app/user_prompts.h"

class QDialog;

namespace qv::app::test {

struct ShownBox {
  QString strText;
  QString strCaption;
  BoxIcon icon;
  BoxButtons buttons;
  QWidget* pOwner;
  QString strDetails{};
  std::size_t nUnder = 0;   // boxes that were still up beneath this one
  bool bDismissed = false;  // taken down by the window, not answered
};

class ScriptedPrompts : public UserPrompts {
 public:
  ScriptedPrompts() : m_scope(*this) {}

  bool MessageBox(const MessageBoxRequest& request) override;
  void DismissQuestions(QWidget* pOwner) override;
  int RunDialog(QDialog& dialog) override;
  QString GetOpenFileName(QWidget* pOwner, const QString& filter) override;
  QString GetSaveFileName(QWidget* pOwner, const QString& filter, const QString& defaultSuffix) override;
  void OpenUrl(const QUrl& url) override { openedUrls.push_back(url); }

  // Each answers one dialog, in order; a dialog nobody answers is cancelled.
  std::deque<std::function<int(QDialog&)>> dialogAnswers;
  // Each answers one file dialog; none left: cancelled.
  std::deque<QString> fileAnswers;
  bool bAnswerYes = true;
  // Runs while a box is up, as if the user were still reading it.
  std::function<void(const ShownBox&)> whileBoxUp;

  std::vector<ShownBox> boxes;
  std::vector<QString> dialogsRun;  // class names
  std::vector<std::pair<QString, QString>> fileDialogs;  // filter, default suffix
  std::vector<QUrl> openedUrls;

 private:
  std::vector<std::size_t> m_open;  // indexes into boxes of those up now
  ScopedPrompts m_scope;
};

// What a user does to a dialog's controls, found by identifier.
void TypeInto(QDialog& dialog, int nId, const QString& text);
void SetTicked(QDialog& dialog, int nId, bool bTicked);
void Press(QDialog& dialog, int nId);

// Answers a dialog by typing into its boxes and pressing OK: {id, text} pairs, an
// empty text ticks the check box of that id.
std::function<int(QDialog&)> FillAndOk(std::initializer_list<std::pair<int, QString>> entries);
std::function<int(QDialog&)> Cancel();

}  // namespace qv::app::test
