#pragma once
// The one Qt application of the benchmark program, shared by every widget
// benchmark. Never destroyed: at exit Qt's own globals (the input-device
// registry) may already be gone, and tearing the application down then crashes.

#include <QApplication>
#include <cstdlib>

inline QApplication& BenchApp() {
    static QApplication* app = [] {
        static int argc = 1;
        static char name[] = "nvmbench";
        static char* argv[] = {name, nullptr};
        if (std::getenv("DISPLAY") == nullptr && std::getenv("QT_QPA_PLATFORM") == nullptr)
            qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}
