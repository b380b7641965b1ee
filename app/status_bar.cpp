#include "app/status_bar.h"

#include <QLabel>
#include <QPainter>
#include <QStyleOption>

namespace qv::app {
namespace {

constexpr int kMessageIndent = 4;

}  // namespace

CStatusBar::CStatusBar(QWidget* pParent) : QStatusBar(pParent) {
  m_wndMessage = new QLabel(this);
  m_wndMessage->setObjectName(QStringLiteral("StatusMessage"));
  m_wndMessage->setTextFormat(Qt::PlainText);
  // The bar's layout puts its items 2 pixels in; QStatusBar painted its message 6.
  m_wndMessage->setIndent(kMessageIndent);
  // A long prompt is cut at the bar's end, as a painted one was: it never widens
  // the window.
  m_wndMessage->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  // Permanent: a temporary message would hide an ordinary item, and this one shows
  // the message.
  addPermanentWidget(m_wndMessage, 1);
  connect(this, &QStatusBar::messageChanged, m_wndMessage, &QLabel::setText);
}

void CStatusBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOption option;
  option.initFrom(this);
  style()->drawPrimitive(QStyle::PE_PanelStatusBar, &option, &painter, this);
}

}  // namespace qv::app
