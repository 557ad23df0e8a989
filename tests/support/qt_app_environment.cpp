// Linked into the window test programs: one QApplication for the whole
// run, created before the first test (offscreen unless told otherwise).
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <memory>

#include "controls/ui_fonts.h"

namespace {

class QtApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "tarnwell_tests";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QApplication>(argc, argv);
    QApplication::setFont(tarnwell::controls::UiFont());
  }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<QApplication> app_;
};

const ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace
