// tarnwell [--smart-replay FILE]... [IMAGE...]: the desktop program. Image
// files named on the command line are attached as disks ahead of the
// machine's own; recorded S.M.A.R.T. drives stand in for the machine's
// drives in the health window.
#include <QApplication>

#include "app/about.h"
#include "app/frmain.h"
#include "app/start_up.h"
#include "controls/ui_fonts.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  application.setFont(tarnwell::controls::UiFont());

  // Qt has taken its own options out of the arguments by now.
  const tarnwell::app::StartOptions options =
      tarnwell::app::ParseStartOptions(application.arguments().mid(1));
  if (!options.error.isEmpty())
    tarnwell::controls::ShowBox(nullptr, tarnwell::controls::BoxKind::kError, options.error);
  tarnwell::app::AttachSmartReplays(options.smartReplays, tarnwell::controls::ShowBox);
  tarnwell::app::AttachDisks(options.imagePaths, tarnwell::controls::ShowBox);

  tarnwell::app::TfrmFrMain launcher;
  // A hidden about box lives as long as the launcher; the about button
  // shows a fresh one each time.
  auto* hiddenAbout = new tarnwell::app::TfrmAbout(&launcher);
  hiddenAbout->hide();
  launcher.show();
  return application.exec();
}
