// Everything the window asks of its user goes through here: message boxes, the file
// dialogs, modal dialogs, and handing a page to the browser. A test installs its own
// UserPrompts to answer them and to read what they said; nobody else needs to.
#pragma once

#include <QString>
#include <QUrl>

class QDialog;
class QWidget;

namespace qv::app {

enum class BoxIcon { kInformation, kError, kQuestion };
enum class BoxButtons { kOk, kYesNo };

struct MessageBoxRequest {
  QWidget* pOwner = nullptr;
  QString strText;
  QString strCaption;
  BoxIcon icon = BoxIcon::kInformation;
  BoxButtons buttons = BoxButtons::kOk;
  QString strDetails{};  // behind the box's "Show Details..." button; none when empty
};

class UserPrompts {
 public:
  virtual ~UserPrompts() = default;

  // Modal. True for OK or Yes. A Yes/No box answers No to Escape and offers No first.
  virtual bool MessageBox(const MessageBoxRequest& request);
  // Takes down the Yes/No boxes still up for `pOwner`, as No would: what they ask
  // has been settled meanwhile (the job they asked about ended). Their MessageBox
  // calls return false once the boxes are gone.
  virtual void DismissQuestions(QWidget* pOwner);
  // Runs the dialog modally; QDialog::Accepted or QDialog::Rejected.
  virtual int RunDialog(QDialog& dialog);
  // Full native path, or empty when cancelled. `filter` in Qt's "Name(*.ext)" form.
  // The open dialog also takes a typed name of a file that does not exist: the
  // caller reports that in its own words.
  virtual QString GetOpenFileName(QWidget* pOwner, const QString& filter);
  // Asks before replacing an existing file; adds `defaultSuffix` to a bare name.
  virtual QString GetSaveFileName(QWidget* pOwner, const QString& filter,
                                  const QString& defaultSuffix);
  // In the desktop's browser. Failures are not reported: there is nothing to do.
  virtual void OpenUrl(const QUrl& url);
};

// The prompts in use: the installed ones, else the real boxes and dialogs.
UserPrompts& Prompts();

// Installs `prompts` for the life of the object.
class ScopedPrompts {
 public:
  explicit ScopedPrompts(UserPrompts& prompts);
  ~ScopedPrompts();
  ScopedPrompts(const ScopedPrompts&) = delete;
  ScopedPrompts& operator=(const ScopedPrompts&) = delete;

 private:
  UserPrompts* m_pPrevious;
};

// Shorthands for the two boxes every part of the window shows.
void ShowInformation(QWidget* pOwner, const QString& text, const QString& caption);
void ShowError(QWidget* pOwner, const QString& text, const QString& caption, const QString& details = {});

}  // namespace qv::app
