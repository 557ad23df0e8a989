// tarnwell [--smart-replay FILE]... [IMAGE [--map MAP]]...: the desktop
// program. Image files named on the command line are attached as disks ahead
// of the machine's own (an image copied from a failing disk with the map of
// the copy); recorded S.M.A.R.T. drives stand in for the machine's
// drives in the health window.
#include <QApplication>

#include "app/about.h"
#include "app/application_icon.h"
#include "app/command_line.h"
#include "app/frmain.h"
#include "app/start_up.h"
#include "controls/ui_fonts.h"

int main(int argc, char** argv) {
  if (const auto status = tarnwell::app::AnswerInfoOption(argc, argv)) return *status;
  QApplication application(argc, argv);
  application.setFont(tarnwell::controls::UiFont());
  // Qt's own dialogs and menus speak the captions' language.
  tarnwell::app::InstallQtTranslations(application);
  // Every window, and the desktop's task list, shows the installed icon.
  application.setWindowIcon(tarnwell::app::ApplicationIcon());

  // Qt has taken its own options out of the arguments by now.
  const tarnwell::app::StartOptions options =
      tarnwell::app::ParseStartOptions(application.arguments().mid(1));
  if (!options.error.isEmpty())
    tarnwell::controls::ShowBox(nullptr, tarnwell::controls::BoxKind::kError, options.error);
  tarnwell::app::AttachSmartReplays(options.smartReplays, tarnwell::controls::ShowBox);
  tarnwell::app::AttachDisks(options.imagePaths, tarnwell::controls::ShowBox, true, options.imageMaps);
  // Disks the user may not read stay listed as locked: the recovery
  // windows offer to open them through the desktop's disk service when one
  // is chosen, so nobody meets authorisation dialogs for disks they never
  // meant to read.

  tarnwell::app::TfrmFrMain launcher;
  // A hidden about box lives as long as the launcher; the about button
  // shows a fresh one each time.
  auto* hiddenAbout = new tarnwell::app::TfrmAbout(&launcher);
  hiddenAbout->hide();
  launcher.show();
  return application.exec();
}
