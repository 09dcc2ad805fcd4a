// One QApplication for every widget test of the program; dialogs never wait
// for a user, they take their default unless a test queued an answer.
#include <gtest/gtest.h>

#include <QApplication>

#include "dialogs/dialog_driver.h"
#include "editor/qt_user_side.h"

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "editor_tests";
        static char* argv[] = {name, nullptr};
        app_ = new QApplication(argc, argv);
        vtq::QtUserSide::SetAutoAnswer(true);
        vtq::DialogsCancelWithoutDriver() = true;
    }
    void TearDown() override {
        delete app_;
        app_ = nullptr;
    }

private:
    QApplication* app_ = nullptr;
};

[[maybe_unused]] auto* const environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
