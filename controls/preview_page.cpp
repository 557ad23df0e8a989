#include "controls/preview_page.h"

#include <QBuffer>
#include <QImageReader>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QStackedWidget>
#include <QStringDecoder>
#include <QVBoxLayout>

#include "platform/text_codec.h"

namespace tarnwell::controls {
namespace {

// Enough of a file to tell text from binary data.
constexpr qsizetype kTextSniffBytes = 4096;

enum PreviewStackPage : int { kMessagePage = 0, kPicturePage, kTextPage };

bool StartsWithMagic(const QByteArray& data, const char* magic, qsizetype length) {
  return data.size() >= length && std::equal(magic, magic + length, data.constData());
}

const char* PictureFormat(const QByteArray& head) {
  if (StartsWithMagic(head, "\xFF\xD8\xFF", 3)) return "jpeg";
  if (StartsWithMagic(head, "\x89PNG\r\n\x1A\n", 8)) return "png";
  if (StartsWithMagic(head, "GIF87a", 6) || StartsWithMagic(head, "GIF89a", 6)) return "gif";
  if (StartsWithMagic(head, "BM", 2) && head.size() >= 26) return "bmp";
  return nullptr;
}

bool LooksLikeText(const QByteArray& head) {
  if (StartsWithMagic(head, "\xFF\xFE", 2) || StartsWithMagic(head, "\xFE\xFF", 2)) return true;
  const QByteArray sample = head.left(kTextSniffBytes);
  if (sample.isEmpty()) return false;
  int control = 0;
  for (const char c : sample) {
    const auto b = static_cast<unsigned char>(c);
    if (b == 0) return false;
    if (b < 0x20 && b != '\n' && b != '\r' && b != '\t' && b != '\f' && b != 0x1A) ++control;
  }
  return control * 20 < sample.size();  // a stray control byte is allowed
}

}  // namespace

bool HasTextExtension(const QString& name) {
  static const QStringList kTextExtensions = {
      QStringLiteral("txt"), QStringLiteral("log"), QStringLiteral("csv"), QStringLiteral("ini"),
      QStringLiteral("inf"), QStringLiteral("m3u"), QStringLiteral("xml"), QStringLiteral("htm"),
      QStringLiteral("html"), QStringLiteral("json"), QStringLiteral("md"), QStringLiteral("cfg"),
      QStringLiteral("conf"), QStringLiteral("bat"), QStringLiteral("cmd"), QStringLiteral("reg"),
      QStringLiteral("c"), QStringLiteral("cpp"), QStringLiteral("h"), QStringLiteral("py"),
      QStringLiteral("sh"), QStringLiteral("srt"), QStringLiteral("nfo")};
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  return dot >= 0 && kTextExtensions.contains(name.mid(dot + 1).toLower());
}

PreviewKind ClassifyPreview(const QString& name, const QByteArray& head) {
  if (PictureFormat(head)) return PreviewKind::kPicture;
  if (head.isEmpty()) return HasTextExtension(name) ? PreviewKind::kText : PreviewKind::kNone;
  if (LooksLikeText(head)) return PreviewKind::kText;
  return PreviewKind::kNone;
}

QString DecodePreviewText(const QByteArray& data) {
  if (StartsWithMagic(data, "\xFF\xFE", 2) || StartsWithMagic(data, "\xFE\xFF", 2)) {
    QStringDecoder utf16(QStringDecoder::Utf16, QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf16(data);
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    return text;
  }
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8(data);
  if (!utf8.hasError()) {
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    return text;
  }
  return QString::fromStdString(platform::SystemToUtf8(std::string_view(data.constData(), static_cast<size_t>(data.size()))));
}

PreviewPage::PreviewPage(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  stack_ = new QStackedWidget(this);
  layout->addWidget(stack_);
  message_ = new QLabel(stack_);
  message_->setAlignment(Qt::AlignCenter);
  message_->setWordWrap(true);
  message_->setMargin(8);
  pictureArea_ = new QScrollArea(stack_);
  pictureArea_->setAlignment(Qt::AlignCenter);
  pictureArea_->setWidgetResizable(true);
  picture_ = new QLabel(pictureArea_);
  picture_->setAlignment(Qt::AlignCenter);
  pictureArea_->setWidget(picture_);
  text_ = new QPlainTextEdit(stack_);
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  stack_->insertWidget(kMessagePage, message_);
  stack_->insertWidget(kPicturePage, pictureArea_);
  stack_->insertWidget(kTextPage, text_);
  ShowMessage(QString());
}

void PreviewPage::ShowMessage(const QString& text) {
  image_ = QImage();
  pictureSize_ = QSize();
  picture_->clear();
  text_->clear();
  message_->setText(text);
  stack_->setCurrentIndex(kMessagePage);
  shown_ = PreviewKind::kNone;
}

void PreviewPage::ShowFile(const QString& name, const QByteArray& data) {
  switch (ClassifyPreview(name, data)) {
    case PreviewKind::kPicture: {
      QBuffer buffer;
      buffer.setData(data);
      buffer.open(QIODevice::ReadOnly);
      QImageReader reader(&buffer, PictureFormat(data));
      // The size in the header is the file's word: a hostile one must not
      // make the decoder allocate without bound.
      reader.setAllocationLimit(kPreviewDecodeLimitMb);
      QImage image = reader.read();
      if (image.isNull()) {
        ShowMessage(QStringLiteral("无法显示这张图片：%1").arg(reader.errorString()));
        return;
      }
      ShowMessage(QString());
      image_ = std::move(image);
      pictureSize_ = image_.size();
      stack_->setCurrentIndex(kPicturePage);
      shown_ = PreviewKind::kPicture;
      FitPicture();
      return;
    }
    case PreviewKind::kText:
      ShowMessage(QString());
      text_->setPlainText(DecodePreviewText(data));
      stack_->setCurrentIndex(kTextPage);
      shown_ = PreviewKind::kText;
      return;
    case PreviewKind::kNone:
      ShowMessage(QStringLiteral("这种文件没有预览：预览只显示图片（JPEG、PNG、GIF、BMP）和纯文本。"
                                 "请在“十六进制查看”中查看它的内容。"));
      return;
  }
}

QString PreviewPage::MessageText() const { return message_->text(); }

QString PreviewPage::TextShown() const { return shown_ == PreviewKind::kText ? text_->toPlainText() : QString(); }

void PreviewPage::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FitPicture();
}

void PreviewPage::FitPicture() {
  if (image_.isNull()) return;
  // Shown at its own size in logical pixels, shrunk to fit the page, and
  // drawn for the screen's pixel ratio so it stays sharp at scale 2.
  const QSize room = (pictureArea_->viewport()->size() - QSize(4, 4)).expandedTo(QSize(1, 1));
  const bool larger = image_.width() > room.width() || image_.height() > room.height();
  const QSize logical = larger ? image_.size().scaled(room, Qt::KeepAspectRatio) : image_.size();
  const qreal ratio = devicePixelRatioF();
  const QSize device = (QSizeF(logical) * ratio).toSize().expandedTo(QSize(1, 1));
  QPixmap pixmap = QPixmap::fromImage(device == image_.size() ? image_
                                                             : image_.scaled(device, Qt::KeepAspectRatio,
                                                                             Qt::SmoothTransformation));
  pixmap.setDevicePixelRatio(ratio);
  picture_->setPixmap(pixmap);
}

}  // namespace tarnwell::controls
