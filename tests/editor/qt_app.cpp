// One QApplication for all widget tests; dialogs take their default answer unless a test queued one.
#include <gtest/gtest.h>

#include <QApplication>

#include "dialogs/dialog_driver.h"
#include "editor/qt_user_side.h"

namespace {

struct QtEnvironment : ::testing::Environment {
    void SetUp() override {
        static int argc = 1;
        static char* argv[] = {const_cast<char*>("editor_tests"), nullptr};
        app_ = new QApplication(argc, argv);
        vtq::QtUserSide::SetAutoAnswer(true);
        vtq::DialogsCancelWithoutDriver() = true;
    }
    void TearDown() override { delete app_; }
    QApplication* app_ = nullptr;
};

[[maybe_unused]] auto* const environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
