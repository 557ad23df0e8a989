#include "controls/entry_preview.h"

#include <QDir>
#include <QFile>

#include "controls/display_format.h"
#include "controls/message_boxes.h"
#include "controls/preview_page.h"
#include "engine/recovery/extract_to_memory.h"

namespace tarnwell::controls {

void ShowEntryPreview(PreviewPage& page, const engine::EntryHandle& entry, const QString& caption) {
  if (!entry) {
    page.Clear();
    return;
  }
  if (entry.IsFolder()) {
    page.ShowMessage(QStringLiteral("文件夹没有预览。"));
    return;
  }
  engine::PreviewBuffer head{};
  if (!entry.ReadPreview(head)) {
    page.ShowMessage(QStringLiteral("无法读取这个文件的数据。"));
    return;
  }
  const uint64_t size = entry.Size();
  const QByteArray headBytes(reinterpret_cast<const char*>(head.data()),
                             static_cast<qsizetype>(std::min<uint64_t>(size, head.size())));
  const PreviewKind kind = ClassifyPreview(caption, headBytes);
  if (kind == PreviewKind::kNone) {
    page.ShowFile(caption, headBytes);  // says there is no preview of it
    return;
  }
  const uint64_t limit = kind == PreviewKind::kPicture ? kPreviewPictureMaxBytes : kPreviewTextMaxBytes;
  const engine::ExtractedFile file =
      engine::ExtractToMemory(entry, limit, QFile::encodeName(QDir::tempPath()).toStdString());
  switch (file.outcome) {
    case engine::ExtractOutcome::kExtracted:
      page.ShowFile(caption, QByteArray(reinterpret_cast<const char*>(file.bytes.data()),
                                        static_cast<qsizetype>(file.bytes.size())));
      return;
    case engine::ExtractOutcome::kTooLarge:
      page.ShowMessage(QStringLiteral("文件太大（%1 字节），预览只读取不超过 %2 字节的%3。")
                           .arg(FormatSize(static_cast<int64_t>(size)), FormatSize(static_cast<int64_t>(limit)),
                                kind == PreviewKind::kPicture ? QStringLiteral("图片") : QStringLiteral("文本")));
      return;
    case engine::ExtractOutcome::kFolder:
      page.ShowMessage(QStringLiteral("文件夹没有预览。"));
      return;
    case engine::ExtractOutcome::kNoScratch:
      page.ShowMessage(QStringLiteral("无法在临时目录 %1 中读取文件以供预览。").arg(QDir::tempPath()));
      return;
    case engine::ExtractOutcome::kFailed: {
      QString why;
      for (const std::string& line : file.log) why += QLatin1Char('\n') + FromSystem(line);
      page.ShowMessage(QStringLiteral("无法读取这个文件，恢复它也会失败。") + why);
      return;
    }
  }
}

}  // namespace tarnwell::controls
