#include "advanced/adv_main_parts.h"

#include <QRadioButton>
#include <QSplitter>
#include <QThread>
#include <algorithm>

#include "platform/text_codec.h"

namespace tarnwell::advanced {

void AdaptSearchPanelScope(controls::SearchPanel& panel) {
  panel.DeletedOnly->setText(QStringLiteral("当前文件夹"));
  panel.AllFiles->setText(QStringLiteral("扫描结果"));
}

bool CurrentFolderScope(const controls::SearchRequest& request) { return request.deletedOnly; }

void MatchBottomPanels(QSplitter* moved, QSplitter* other) {
  const QList<int> from = moved->sizes();
  QList<int> to = other->sizes();
  if (from.size() < 2 || to.size() < 2) return;
  const int total = to[0] + to[1];
  to[1] = std::min(from[1], total);
  to[0] = total - to[1];
  other->setSizes(to);
}

void WaitMilliseconds(int ms) { QThread::msleep(static_cast<unsigned long>(ms)); }

physical::raw::FilterCriteria FilterCriteriaOf(const controls::SearchRequest& r, int64_t folderKey) {
  physical::raw::FilterCriteria c;
  c.patterns = platform::Utf8ToSystem(r.names.toStdString());
  c.folderKey = folderKey;
  c.minSize = r.sizeMin;
  c.maxSize = r.sizeMax;
  c.dateFrom = r.dateFrom;
  c.dateTo = r.dateTo;
  c.dateKind = r.dateKind;
  c.caseSensitive = r.caseSensitive;
  return c;
}

}  // namespace tarnwell::advanced
