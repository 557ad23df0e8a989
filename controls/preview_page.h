#pragma once
// The "预览" page of both recovery windows: a picture (JPEG, PNG, GIF,
// BMP) scaled to fit, or plain text, from a file's data the window read
// through the recovery's own copy; otherwise a line that says why there is
// nothing to see. Knows no engine type: it is given bytes and a name.
#include <QByteArray>
#include <QImage>
#include <QString>
#include <QWidget>
#include <cstdint>

class QLabel;
class QPlainTextEdit;
class QScrollArea;
class QStackedWidget;

namespace tarnwell::controls {

// Files are extracted for the preview only up to these sizes.
inline constexpr uint64_t kPreviewPictureMaxBytes = 32ull << 20;
inline constexpr uint64_t kPreviewTextMaxBytes = 4ull << 20;
// A picture is decoded only when its pixels fit in this much memory.
inline constexpr int kPreviewDecodeLimitMb = 256;

enum class PreviewKind { kNone, kPicture, kText };

// What a file is for the preview: a picture by its first bytes (the name
// does not count: a renamed or carved file is still a picture), text by a
// text extension or by data that is text, else none.
PreviewKind ClassifyPreview(const QString& name, const QByteArray& head);
// Whether a file of that name may be text, before its data is read (to
// choose the size limit).
bool HasTextExtension(const QString& name);
// Text decoded as the file says: a UTF-16 or UTF-8 byte-order mark, valid
// UTF-8, else the system code page (GB18030).
QString DecodePreviewText(const QByteArray& data);

class PreviewPage : public QWidget {
  Q_OBJECT

 public:
  explicit PreviewPage(QWidget* parent = nullptr);

  // Shows the data of the file `name`; says why when it cannot.
  void ShowFile(const QString& name, const QByteArray& data);
  // A line instead of a preview ("文件夹没有预览。", a failure, ...).
  void ShowMessage(const QString& text);
  void Clear() { ShowMessage(QString()); }

  PreviewKind Shown() const { return shown_; }
  QString MessageText() const;
  QString TextShown() const;
  QSize PictureSize() const { return pictureSize_; }  // the image's own size

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void FitPicture();

  QStackedWidget* stack_ = nullptr;
  QLabel* message_ = nullptr;
  QScrollArea* pictureArea_ = nullptr;
  QLabel* picture_ = nullptr;
  QPlainTextEdit* text_ = nullptr;
  QImage image_;
  PreviewKind shown_ = PreviewKind::kNone;
  QSize pictureSize_;
};

}  // namespace tarnwell::controls
