#pragma once
// With VTQ_SCREENSHOT_DIR set, widget tests save the views they reach there as
// PNG files (scripts/screenshots.sh renders docs/screenshots from them).

#include <gtest/gtest.h>

#include <QPixmap>
#include <QString>
#include <QWidget>
#include <cstdlib>

namespace vtq::test {

inline void Shot(const QPixmap& picture, const char* file) {
    const char* dir = std::getenv("VTQ_SCREENSHOT_DIR");
    if (!dir) return;
    EXPECT_TRUE(picture.save(QString::fromLocal8Bit(dir) + "/" + file, "PNG")) << file;
}
inline void Shot(QWidget* what, const char* file) {
    if (std::getenv("VTQ_SCREENSHOT_DIR")) Shot(what->grab(), file);
}

}  // namespace vtq::test
