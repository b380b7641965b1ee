#include "app/child_view.h"

#include <QHeaderView>
#include <QResizeEvent>
#include <QTreeWidget>

#include "app/resources/pictures.h"
#include "app/resources/resource_ids.h"
#include "jobs/backup_item_size_text.h"

namespace qv::app {

CChildView::CChildView(QWidget* pParent) : QWidget(pParent) { OnCreate(); }

void CChildView::OnCreate() {
  m_wndList = new QTreeWidget(this);
  m_wndList->setRootIsDecorated(false);
  m_wndList->setItemsExpandable(false);
  m_wndList->setUniformRowHeights(true);
  m_wndList->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_wndList->setSelectionMode(QAbstractItemView::SingleSelection);
  m_wndList->setIconSize(QSize(16, 16));
  m_wndList->setHeaderLabels({QString::fromUtf8(kNameColumnTitle), QString::fromUtf8(kSizeColumnTitle)});
  m_wndList->header()->setStretchLastSection(false);
  m_wndList->header()->setSectionsMovable(false);
  m_wndList->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  m_wndList->setColumnWidth(0, kNameColumnWidth);
  m_wndList->setColumnWidth(1, kSizeColumnWidth);
  m_wndList->setAccessibleName(QStringLiteral("Backup items"));
  m_wndList->setWhatsThis(QStringLiteral(
      "The items every backup saves, in the order the archive holds them, with the size of "
      "their data in kilobytes."));
  for (int nId : {IDB_FAVORITES, IDB_IE_SETTINGS}) m_imlIcons.emplace_back(LoadBitmapResource(nId));
}

void CChildView::SetRows(const std::vector<ItemRow>& rows) {
  m_wndList->clear();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    auto* item = new QTreeWidgetItem(m_wndList);
    item->setText(0, QString::fromStdU16String(rows[i].strName));
    if (i < m_imlIcons.size()) item->setIcon(0, m_imlIcons[i]);
    item->setText(1, QString::fromStdString(ItemSizeText(rows[i].nSize)));
  }
}

void CChildView::resizeEvent(QResizeEvent* pEvent) {
  QWidget::resizeEvent(pEvent);
  OnSize(pEvent->size().width(), pEvent->size().height());
}

void CChildView::OnSize(int cx, int cy) { m_wndList->setGeometry(0, 0, cx, cy); }

}  // namespace qv::app
