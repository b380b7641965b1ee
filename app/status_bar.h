// The main window's status bar. Its message (a command's prompt while the command
// is pointed at, or what a job is doing) is shown by a label, so that a screen
// reader can read it and is told when it changes: QStatusBar only paints it.
#pragma once

#include <QStatusBar>

class QLabel;

namespace qv::app {

class CStatusBar : public QStatusBar {
  Q_OBJECT

 public:
  explicit CStatusBar(QWidget* pParent = nullptr);

  // Shows currentMessage(), as the status bar would have painted it.
  QLabel* MessageLabel() const { return m_wndMessage; }

 protected:
  // The panel without the message: the label draws that.
  void paintEvent(QPaintEvent* pEvent) override;

 private:
  QLabel* m_wndMessage = nullptr;
};

}  // namespace qv::app
