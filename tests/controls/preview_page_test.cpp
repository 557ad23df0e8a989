// What the preview page makes of a file's bytes: pictures by their first
// bytes whatever the name, text in the encodings files come in, and a
// hostile picture header that does not make it allocate without bound.
#include "controls/preview_page.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include "platform/text_codec.h"

namespace tarnwell::controls {
namespace {

QByteArray Encoded(const char* format, QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::darkCyan);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return bytes;
}

TEST(PreviewPage, KindsComeFromTheBytesAndTextDecodesAsWritten) {
  struct Case {
    const char* what;
    QString name;
    QByteArray head;
    PreviewKind kind;
  } cases[] = {
      {"jpeg named .dat", "x.dat", QByteArray("\xFF\xD8\xFF\xE0", 4), PreviewKind::kPicture},
      {"png", "x.png", QByteArray("\x89PNG\r\n\x1A\n", 8), PreviewKind::kPicture},
      {"gif", "x", QByteArray("GIF89a"), PreviewKind::kPicture},
      {"bmp", "x.bmp", QByteArray("BM") + QByteArray(30, '\0'), PreviewKind::kPicture},
      {"two bytes BM are not a bitmap", "bm.txt", QByteArray("BM"), PreviewKind::kText},
      {"text without extension", "README", QByteArray("hello\r\nworld\n"), PreviewKind::kText},
      {"NUL bytes are binary", "x.txt", QByteArray("ab\0cd", 5), PreviewKind::kNone},
      {"utf-16 text", "x", QByteArray("\xFF\xFEh\0i\0", 6), PreviewKind::kText},
      {"empty .txt", "empty.TXT", QByteArray(), PreviewKind::kText},
      {"empty other", "empty.bin", QByteArray(), PreviewKind::kNone},
  };
  for (const Case& c : cases) EXPECT_EQ(ClassifyPreview(c.name, c.head), c.kind) << c.what;

  EXPECT_EQ(DecodePreviewText(QByteArray("\xEF\xBB\xBF" "caf\xC3\xA9")), QStringLiteral("café"));
  EXPECT_EQ(DecodePreviewText(QByteArray("\xFF\xFEh\0i\0", 6)), QStringLiteral("hi"));
  // Not UTF-8: the system code page (GB18030), as Chinese notes are kept.
  const std::string gb = platform::Utf8ToSystem("项目计划");
  EXPECT_EQ(DecodePreviewText(QByteArray::fromStdString(gb)), QStringLiteral("项目计划"));
}

TEST(PreviewPage, PicturesFitThePageBrokenOrHugeOnesAreSaid) {
  PreviewPage page;
  page.resize(300, 200);
  page.show();
  for (const char* format : {"png", "bmp", "jpeg"}) {
    page.ShowFile(QStringLiteral("p"), Encoded(format, QSize(640, 480)));
    ASSERT_EQ(page.Shown(), PreviewKind::kPicture) << format;
    EXPECT_EQ(page.PictureSize(), QSize(640, 480)) << format;
  }
  // A bitmap header claiming 60000 x 60000 pixels (width and height,
  // little-endian at 18 and 22): refused, not allocated.
  QByteArray huge = Encoded("bmp", QSize(4, 4));
  const char dims[8] = {0x60, char(0xEA), 0, 0, 0x60, char(0xEA), 0, 0};
  huge.replace(18, 8, QByteArray(dims, 8));
  page.ShowFile(QStringLiteral("huge.bmp"), huge);
  EXPECT_EQ(page.Shown(), PreviewKind::kNone);
  EXPECT_TRUE(page.MessageText().startsWith(QStringLiteral("无法显示这张图片")));
  // A picture cut short after its header.
  page.ShowFile(QStringLiteral("cut.jpg"), Encoded("jpeg", QSize(64, 64)).left(20));
  EXPECT_EQ(page.Shown(), PreviewKind::kNone);

  page.ShowFile(QStringLiteral("a.txt"), QByteArray("line one\nline two"));
  EXPECT_EQ(page.Shown(), PreviewKind::kText);
  EXPECT_EQ(page.TextShown(), QStringLiteral("line one\nline two"));
  page.Clear();
  EXPECT_EQ(page.Shown(), PreviewKind::kNone);
  EXPECT_TRUE(page.TextShown().isEmpty());
}

}  // namespace
}  // namespace tarnwell::controls
