#include "controls/imaging_dialog.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "controls/message_boxes.h"
#include "controls/ui_fonts.h"

namespace tarnwell::controls {
namespace {

// How often the dialog looks at what the copy said; the copy itself
// redraws its status at most every 200 ms.
constexpr int kPollMilliseconds = 50;
// The copy redraws its status after every read; a status this old means a
// read the disk has not answered (a failing sector can take minutes).
constexpr qint64 kSlowReadMilliseconds = 3000;

}  // namespace

// A line of the copy's log, as its thread hands it over. Outside the
// anonymous namespace, since the dialog's shared state (declared in the
// header) holds them.
namespace imaging_dialog_detail {
struct LogLine {
  std::string text;
  int icon;
  std::string time;
};
}  // namespace imaging_dialog_detail
using imaging_dialog_detail::LogLine;

// What the copy's thread hands the dialog. Everything but `stop` is
// guarded by the mutex.
struct TfrmImaging::Shared {
  std::mutex mutex;
  int percent = 0;
  bool copying = false;  // the checks passed and the progress bar came up
  std::string status;    // system code page
  bool statusChanged = false;
  std::vector<LogLine> lines;
  bool done = false;
  disk::imaging::ImagingResult result;
  std::atomic<bool> stop{false};
};

namespace {

// The window the copy writes to, on the copy's thread: it only records,
// for the dialog to show. Its pump is where a stop asked in the dialog
// reaches the imager, on the imager's own thread, between two reads.
class CopyThreadWindow final : public engine::ProgressBar,
                               public engine::StatusPanel,
                               public engine::EventLog,
                               public engine::MessagePump {
 public:
  template <typename SharedState>
  explicit CopyThreadWindow(SharedState& shared)
      : mutex_(shared.mutex),
        percent_(shared.percent),
        copying_(shared.copying),
        status_(shared.status),
        statusChanged_(shared.statusChanged),
        lines_(shared.lines),
        stop_(shared.stop) {}

  void SetPosition(int percent) override {
    std::lock_guard lock(mutex_);
    percent_ = percent;
  }
  void SetVisible(bool visible) override {
    std::lock_guard lock(mutex_);
    if (visible) copying_ = true;
  }
  void SetText(const std::string& text) override {
    std::lock_guard lock(mutex_);
    status_ = text;
    statusChanged_ = true;
  }
  void AddLine(const std::string& text, int icon, const std::string& time) override {
    std::lock_guard lock(mutex_);
    lines_.push_back({text, icon, time});
  }
  void Pump() override {
    if (stop_.load(std::memory_order_relaxed) && imager) imager->RequestStop();
  }

  disk::imaging::DiskImager* imager = nullptr;

 private:
  std::mutex& mutex_;
  int& percent_;
  bool& copying_;
  std::string& status_;
  bool& statusChanged_;
  std::vector<LogLine>& lines_;
  const std::atomic<bool>& stop_;
};

QLabel* ValueLabel(QWidget* parent) {
  auto* label = new QLabel(QStringLiteral("—"), parent);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

}  // namespace

ImagingStatusParts SplitImagingStatus(const QString& status) {
  ImagingStatusParts parts;
  const qsizetype colon = status.indexOf(QStringLiteral("："));
  if (colon < 0) {
    parts.phase = status.trimmed();
    return parts;
  }
  parts.phase = status.left(colon).trimmed();
  const QStringList pieces = status.mid(colon + 1).split(QStringLiteral("，"));
  for (const QString& piece : pieces) {
    const QString p = piece.trimmed();
    if (p.startsWith(QStringLiteral("已复制 "))) parts.copied = p.mid(4);
    else if (p.startsWith(QStringLiteral("坏区 "))) parts.bad = p.mid(3);
    else if (p.startsWith(QStringLiteral("剩余 "))) parts.left = p.mid(3);
    else if (p.endsWith(QStringLiteral("/秒"))) parts.rate = p;
  }
  return parts;
}

TfrmImaging::TfrmImaging(QWidget* parent, const QString& title, const QString& source, const QString& image)
    : QDialog(parent), shared_(std::make_shared<Shared>()) {
  setWindowTitle(title);
  setModal(true);
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
  setFont(UiFont());
  setMinimumWidth(480);

  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(14, 12, 14, 12);
  root->setSpacing(8);
  // Not resizable: nothing in it grows, and window managers then offer no
  // maximise button.
  root->setSizeConstraint(QLayout::SetFixedSize);
  // One form, so that the values of both groups line up.
  auto* form = new QFormLayout();
  form->setLabelAlignment(Qt::AlignRight);
  form->setHorizontalSpacing(10);
  form->setVerticalSpacing(4);
  Label1 = ValueLabel(this);
  Label1->setText(source);
  Label2 = ValueLabel(this);
  Label2->setText(image);
  Label2->setWordWrap(true);
  Label2->setMinimumWidth(400);
  form->addRow(QStringLiteral("源:"), Label1);
  form->addRow(QStringLiteral("映像:"), Label2);
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(true);
  form->addItem(new QSpacerItem(0, 4));
  form->addRow(ProgressBar1);
  form->addItem(new QSpacerItem(0, 4));
  PhaseLabel = ValueLabel(this);
  CopiedLabel = ValueLabel(this);
  RateLabel = ValueLabel(this);
  BadLabel = ValueLabel(this);
  LeftLabel = ValueLabel(this);
  form->addRow(QStringLiteral("阶段:"), PhaseLabel);
  form->addRow(QStringLiteral("已复制:"), CopiedLabel);
  form->addRow(QStringLiteral("速度:"), RateLabel);
  form->addRow(QStringLiteral("坏区:"), BadLabel);
  form->addRow(QStringLiteral("剩余时间:"), LeftLabel);
  root->addLayout(form);

  NoteLabel = new QLabel(this);
  NoteLabel->setWordWrap(true);
  // Room for the note from the start, so that the dialog keeps its size.
  NoteLabel->setMinimumHeight(NoteLabel->fontMetrics().lineSpacing() * 2);
  NoteLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  root->addWidget(NoteLabel);

  auto* buttons = new QHBoxLayout();
  buttons->addStretch(1);
  Button1 = new QPushButton(QStringLiteral("停止"), this);
  Button1->setToolTip(QStringLiteral("当前的读取结束后停止；映射文件会保存，以后可以继续复制"));
  Button1->setAutoDefault(false);
  connect(Button1, &QPushButton::clicked, this, &TfrmImaging::StopExecute);
  buttons->addWidget(Button1);
  root->addLayout(buttons);

  pollTimer_ = new QTimer(this);
  pollTimer_->setInterval(kPollMilliseconds);
  connect(pollTimer_, &QTimer::timeout, this, &TfrmImaging::Poll);
}

TfrmImaging::~TfrmImaging() = default;

disk::imaging::ImagingResult TfrmImaging::Run(const disk::imaging::ImagingRequest& request,
                                              std::unique_ptr<disk::SectorSource> source, engine::EventLog* log) {
  log_ = log;
  finished_ = false;
  std::shared_ptr<Shared> shared = shared_;
  // Outlives the copy's thread, which is joined below on every way out.
  const std::unique_ptr<disk::SectorSource> kept = std::move(source);
  std::thread copy([shared, request] {
    CopyThreadWindow window(*shared);
    disk::imaging::DiskImager imager({window, window, window, window});
    window.imager = &imager;
    disk::imaging::ImagingResult result = imager.Run(request);
    std::lock_guard lock(shared->mutex);
    shared->result = std::move(result);
    shared->done = true;
  });
  pollTimer_->start();
  {
    // The checks before the copy take moments; until they pass there is
    // nothing to show, and no command of the window may start meanwhile.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QEventLoop wait;
    waitingToShow_ = true;
    const QMetaObject::Connection quit = connect(pollTimer_, &QTimer::timeout, &wait, [this, &wait] {
      if (!waitingToShow_) wait.quit();
    });
    wait.exec(QEventLoop::ExcludeUserInputEvents);
    disconnect(quit);
    QGuiApplication::restoreOverrideCursor();
  }
  if (!finished_) exec();
  copy.join();
  Poll();  // the last lines of the log
  pollTimer_->stop();
  std::lock_guard lock(shared_->mutex);
  return shared_->result;
}

void TfrmImaging::Poll() {
  int percent = 0;
  bool copying = false, done = false, statusChanged = false;
  std::string status;
  std::vector<LogLine> lines;
  {
    std::lock_guard lock(shared_->mutex);
    percent = shared_->percent;
    copying = shared_->copying;
    done = shared_->done;
    statusChanged = shared_->statusChanged;
    if (statusChanged) status = shared_->status;
    shared_->statusChanged = false;
    lines.swap(shared_->lines);
  }
  if (log_)
    for (const LogLine& line : lines) log_->AddLine(line.text, line.icon, line.time);
  if (statusChanged && !done) ShowStatus(FromSystem(status));
  if (statusChanged || !sinceStatus_.isValid()) sinceStatus_.start();
  ShowNote();
  ProgressBar1->setValue(std::clamp(percent, 0, 100));
  if (waitingToShow_ && (copying || done)) waitingToShow_ = false;
  if (done && !finished_) {
    finished_ = true;
    if (isVisible()) QDialog::accept();
  }
}

void TfrmImaging::ShowStatus(const QString& status) {
  const ImagingStatusParts parts = SplitImagingStatus(status);
  const auto show = [](QLabel* label, const QString& text, const QString& none) {
    label->setText(text.isEmpty() ? none : text);
  };
  show(PhaseLabel, parts.phase, QStringLiteral("—"));
  show(CopiedLabel, parts.copied, QStringLiteral("—"));
  show(RateLabel, parts.rate, QStringLiteral("—"));
  show(BadLabel, parts.bad, QStringLiteral("0 个"));
  show(LeftLabel, parts.left, QStringLiteral("正在估算..."));
}

void TfrmImaging::ShowNote() {
  const qint64 waited = sinceStatus_.isValid() ? sinceStatus_.elapsed() : 0;
  QString note = StopAsked() ? QStringLiteral("当前的读取结束后即停止，并保存映射文件。") : QString();
  if (waited >= kSlowReadMilliseconds && !finished_)
    note += QStringLiteral("磁盘已有 %1 秒没有应答当前的读取。").arg(waited / 1000);
  NoteLabel->setText(note);
}

void TfrmImaging::StopExecute() {
  if (finished_) return;
  shared_->stop.store(true, std::memory_order_relaxed);
  Button1->setEnabled(false);
  Button1->setText(QStringLiteral("正在停止..."));
  ShowNote();
}

bool TfrmImaging::StopAsked() const { return shared_->stop.load(std::memory_order_relaxed); }

void TfrmImaging::reject() {
  if (!finished_) {
    StopExecute();
    return;
  }
  QDialog::reject();
}

void TfrmImaging::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Once the dialog's own event loop runs.
  QTimer::singleShot(0, this, [this] { emit Shown(); });
}

void TfrmImaging::closeEvent(QCloseEvent* event) {
  if (!finished_) {
    StopExecute();
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

}  // namespace tarnwell::controls
