// The main window's client area: the list of backup items, with their sizes. The
// list is for reading only: what is selected changes nothing a job does.
#pragma once

#include <QIcon>
#include <QWidget>
#include <vector>

#include "app/workers/item_rows.h"

class QTreeWidget;

namespace qv::app {

class CChildView : public QWidget {
  Q_OBJECT

 public:
  explicit CChildView(QWidget* pParent = nullptr);

  // Replaces every row: row i shows item i's name with icon i, and its size.
  void SetRows(const std::vector<ItemRow>& rows);

  QTreeWidget* List() const { return m_wndList; }

 protected:
  void resizeEvent(QResizeEvent* pEvent) override;

 private:
  void OnCreate();
  void OnSize(int cx, int cy);

  std::vector<QIcon> m_imlIcons;
  QTreeWidget* m_wndList = nullptr;
};

}  // namespace qv::app
