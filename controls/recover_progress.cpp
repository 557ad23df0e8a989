#include "controls/recover_progress.h"

#include <QProgressBar>
#include <algorithm>
#include <chrono>

#include "controls/display_format.h"
#include "controls/recover_command.h"
#include "engine/duration_text.h"

namespace tarnwell::controls {
namespace {

// Before this much time or this share, a rate says little about the rest.
constexpr double kMinSecondsForEstimate = 1.0;

double SteadyClockSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

QString ProgressDurationText(double seconds) { return QString::fromStdString(engine::DurationText(seconds)); }

QString ProgressByteText(uint64_t bytes) { return FormatSize(static_cast<int64_t>(bytes)) + QLatin1Char('B'); }

}  // namespace

RecoverProgress::RecoverProgress(RecoverAmount total, Shower show, Clock clock)
    : total_(total), show_(std::move(show)), clock_(clock ? std::move(clock) : SteadyClockSeconds) {
  started_ = clock_();
}

void RecoverProgress::BeginItem(RecoverAmount item) {
  current_ = item;
  currentPercent_ = 0;
  inItem_ = true;
  if (show_) show_(*this);
}

void RecoverProgress::EndItem() {
  finished_.files += current_.files;
  finished_.bytes += current_.bytes;
  current_ = {};
  currentPercent_ = 0;
  inItem_ = false;
  if (show_) show_(*this);
}

void RecoverProgress::ItemBarAdapter::SetPosition(int percent) {
  percent = std::clamp(percent, 0, 100);
  if (!owner_.inItem_ || percent == owner_.currentPercent_) return;
  owner_.currentPercent_ = percent;
  if (owner_.show_) owner_.show_(owner_);
}

RecoverAmount RecoverProgress::Done() const {
  // Files count once written; bytes move with the engine's progress.
  RecoverAmount done = finished_;
  done.bytes += current_.bytes / 100 * static_cast<uint64_t>(currentPercent_) +
                current_.bytes % 100 * static_cast<uint64_t>(currentPercent_) / 100;
  return done;
}

int RecoverProgress::Percent() const {
  const RecoverAmount done = Done();
  // Bytes say most about the time a copy takes; empty files only by count.
  if (total_.bytes > 0) return static_cast<int>(std::min<uint64_t>(100, done.bytes * 100 / total_.bytes));
  if (total_.files > 0) return static_cast<int>(std::min<uint64_t>(100, done.files * 100 / total_.files));
  return 0;
}

double RecoverProgress::ElapsedSeconds() const { return std::max(0.0, clock_() - started_); }

double RecoverProgress::SecondsLeft() const {
  const double elapsed = ElapsedSeconds();
  const RecoverAmount done = Done();
  if (elapsed < kMinSecondsForEstimate) return -1;
  if (total_.bytes > 0 && done.bytes > 0)
    return elapsed * static_cast<double>(total_.bytes - std::min(done.bytes, total_.bytes)) /
           static_cast<double>(done.bytes);
  if (total_.bytes == 0 && done.files > 0)
    return elapsed * static_cast<double>(total_.files - std::min(done.files, total_.files)) /
           static_cast<double>(done.files);
  return -1;
}

QString RecoverProgress::Text() const {
  const RecoverAmount done = Done();
  const double left = SecondsLeft();
  return QStringLiteral("%1 / %2 个文件  %3 / %4  %5")
      .arg(done.files)
      .arg(total_.files)
      .arg(ProgressByteText(done.bytes), ProgressByteText(total_.bytes),
           left < 0 ? QStringLiteral("正在估算剩余时间") : QStringLiteral("剩余 ") + ProgressDurationText(left));
}

QString RecoverProgress::SummaryText(const RecoverTally& tally, bool stopped) const {
  const QString head = stopped ? QStringLiteral("恢复已被用户停止。") : QStringLiteral("恢复已完成。");
  QString text = head + QLatin1Char('\n') + RecoverTallyText(tally);
  text += QStringLiteral("\n已写入 %1（共 %2），用时 %3。")
              .arg(ProgressByteText(Done().bytes), ProgressByteText(total_.bytes),
                   ProgressDurationText(ElapsedSeconds()));
  if (stopped)
    text += QStringLiteral("\n未恢复的 %1 个文件仍在列表中，可以再次恢复。").arg(total_.files - std::min(total_.files, finished_.files));
  return text;
}

void ShowRecoverProgressBar(QProgressBar* bar, const RecoverProgress& progress) {
  bar->setTextVisible(true);
  bar->setAlignment(Qt::AlignCenter);
  bar->setFormat(progress.Text());
  bar->setValue(progress.Percent());
  bar->show();
}

void EndRecoverProgressBar(QProgressBar* bar, bool wasVisible) {
  bar->setTextVisible(false);
  bar->setFormat(QStringLiteral("%p%"));
  bar->setValue(0);
  bar->setVisible(wasVisible);
}

}  // namespace tarnwell::controls
