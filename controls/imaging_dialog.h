#pragma once
// The modal dialog that follows a copy of a disk to an image: a progress
// bar, what is copied, the rate, the bad areas found so far and the time
// left, and "停止". The copy runs on a thread of its own: a failing disk
// can hold a single read for minutes in the kernel, and the window must
// keep painting and hear "停止" meanwhile. The stop is heard between two
// reads; the copy then saves its map and ends, so it can go on later.
#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <memory>

#include "disk/imaging/disk_imager.h"
#include "engine/window_interfaces.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace tarnwell::controls {

// The parts of the copy's status line ("复制 第 1 遍：已复制 1.2 GB / 3.0 GB，
// 35.1 MB/秒，坏区 3 个 (12.0 KB)，剩余 0:52"), for rows of their own. A part
// the line does not hold stays empty.
struct ImagingStatusParts {
  QString phase;
  QString copied;  // "1.2 GB / 3.0 GB"
  QString rate;    // "35.1 MB/秒"
  QString bad;     // "3 个 (12.0 KB)"
  QString left;    // "0:52"
};
ImagingStatusParts SplitImagingStatus(const QString& status);

class TfrmImaging : public QDialog {
  Q_OBJECT

 public:
  // title: the command ("创建磁盘映像"); source: what is copied; image:
  // the file it is copied to.
  TfrmImaging(QWidget* parent, const QString& title, const QString& source, const QString& image);
  ~TfrmImaging() override;

  // Copies request.source (kept alive by `source`) on the copy's thread.
  // The dialog comes up once the copy has passed its checks and begins to
  // read, so a refusal shows no dialog at all; it closes when the copy
  // ends. Lines of the copy's log go to `log` (GUI thread) when given.
  disk::imaging::ImagingResult Run(const disk::imaging::ImagingRequest& request,
                                   std::unique_ptr<disk::SectorSource> source, engine::EventLog* log);

  // "停止": asks the copy to stop after the read under way.
  void StopExecute();
  bool StopAsked() const;

  QLabel* Label1 = nullptr;             // what is copied
  QLabel* Label2 = nullptr;             // the image file
  QProgressBar* ProgressBar1 = nullptr;  // share of the disk settled
  QLabel* PhaseLabel = nullptr;
  QLabel* CopiedLabel = nullptr;
  QLabel* RateLabel = nullptr;
  QLabel* BadLabel = nullptr;
  QLabel* LeftLabel = nullptr;
  QLabel* NoteLabel = nullptr;   // what the stop is waiting for
  QPushButton* Button1 = nullptr;  // "停止"

 signals:
  // The dialog is on screen, the copy under way.
  void Shown();

 public slots:
  void reject() override;  // Esc and the close box ask for the stop

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Shared;
  // Takes what the copy said since the last look into the widgets.
  void Poll();
  void ShowStatus(const QString& status);
  // What the dialog is waiting for: the stop, or a read the disk has not
  // answered for a while.
  void ShowNote();

  std::shared_ptr<Shared> shared_;
  QTimer* pollTimer_ = nullptr;
  QElapsedTimer sinceStatus_;  // since the copy last said how far it is
  engine::EventLog* log_ = nullptr;
  bool finished_ = false;
  bool waitingToShow_ = false;
};

}  // namespace tarnwell::controls
