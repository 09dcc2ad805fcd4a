// The array editor's table and plot as real widgets: what only the window
// decides (the selection an operation gets, keys, undo, messages, the shape
// controls). The operations' arithmetic is tested in the core.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QPainter>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <climits>
#include <cmath>

#include "dialogs/array_plot_view.h"
#include "dialogs/array_table_model.h"
#include "dialogs/array_views.h"
#include "dialogs/element_list_model.h"
#include "dialogs/long_line_edit.h"
#include "dialogs/qt_text.h"
#include "dialogs/tf_edit_value.h"
#include "support/screenshot.h"
#include "support/scripted_user.h"

namespace vtq {
namespace {

// The array editor opened on its table tab.
struct TableEditor {
    test::ScriptedUser user;
    TFEditValue dialog;
    ArrayViews& views;

    TableEditor(const std::vector<int>& dimensions, const std::string& type, const std::string& value,
                const std::string& name = "grp.tab")
        : dialog(nullptr, false, dimensions, 0, type, value, name, &user), views(*dialog.Views) {
        dialog.show();
        QApplication::setActiveWindow(&dialog);  // shortcuts only reach the active window
        views.PCViews->setCurrentWidget(views.SGTable);
        views.SGTable->setFocus();
    }
    QModelIndex Cell(int row, int column) const { return views.SGTable->model()->index(row, column); }
    void Select(int top, int left, int bottom, int right, bool add = false) {
        if (!add) views.SGTable->setCurrentIndex(Cell(top, left));
        views.SGTable->selectionModel()->select(
            QItemSelection(Cell(top, left), Cell(bottom, right)),
            add ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect);
    }
    std::string Line() const { return dialog.EAsString->Text(); }
};

TEST(ArrayViewsTest, KeysRunOperationsOnTheSelectionOneUndoStepEach) {
    TableEditor editor({3, 4}, "uint8", "1,2,3,4,5,6,7,8,9,10,11,254");
    editor.user.inputAnswers = {"2"};
    editor.Select(1, 2, 2, 3);
    QTest::keyClick(editor.views.SGTable, Qt::Key_Plus);
    // The number is asked; 254 + 2 is clamped to the type's top.
    EXPECT_EQ(std::pair(editor.user.questions.size(), editor.Line()),
              std::pair(size_t{1}, std::string("1,2,3,4,5,6,9,10,9,10,13,255")));

    editor.Select(0, 0, 0, 3);
    QTest::keyClick(editor.views.SGTable, Qt::Key_R, Qt::ControlModifier);  // fill right
    EXPECT_EQ(editor.Line(), "1,1,1,1,5,6,9,10,9,10,13,255");

    for (const Qt::Key key : {Qt::Key_Z, Qt::Key_Z, Qt::Key_Y})
        QTest::keyClick(editor.views.SGTable, key, Qt::ControlModifier);
    EXPECT_EQ(editor.Line(), "1,2,3,4,5,6,9,10,9,10,13,255") << "two steps back, one forward";

    // Two separate cells are not one block: nothing asked, nothing changed, the user told.
    editor.Select(0, 0, 0, 0);
    editor.Select(2, 2, 2, 2, true);
    QTest::keyClick(editor.views.SGTable, Qt::Key_Equal);
    EXPECT_EQ(std::pair(editor.user.messages, editor.user.questions.size()),
              std::pair(std::vector<std::string>{"Select one rectangular block of cells."}, size_t{1}));
}

TEST(ArrayViewsTest, CopyAndAPasteThatDoesNotFitRefused) {
    TableEditor editor({3, 3}, "int16", "1,2,3,4,5,6,7,8,9");
    editor.Select(1, 1, 2, 2);
    QTest::keyClick(editor.views.SGTable, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(FromQ(QApplication::clipboard()->text()), "5\t6\n8\t9\n");

    QApplication::clipboard()->setText(QStringLiteral("10\r\n20\r\n30\r\n"));
    editor.views.SGTable->setCurrentIndex(editor.Cell(1, 0));
    QTest::keyClick(editor.views.SGTable, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(editor.user.messages.size(), 1u) << "three rows do not fit below row 1";
    EXPECT_EQ(editor.Line(), "1,2,3,4,5,6,7,8,9");
}

TEST(ArrayViewsTest, ShapeControlsFollowTheDimensions) {
    TableEditor cube({2, 3, 4}, "uint16", [] {
        std::string value;
        for (int i = 0; i < 24; ++i) value += std::to_string(i) + ",";
        return value;
    }());
    ArrayViews& views = cube.views;
    views.SETable->setValue(1);
    EXPECT_EQ(views.SGTable->model()->index(0, 0).data().toString(), "12") << "the second table";

    TableEditor line({}, "uint8", "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20");
    line.views.SEColumns->setValue(8);
    QAbstractItemModel& table = *line.views.SGTable->model();
    EXPECT_EQ(std::tuple(table.rowCount(), table.headerData(2, Qt::Vertical).toString()), std::tuple(3, "16"));
    EXPECT_FALSE(table.flags(table.index(2, 5)) & Qt::ItemIsSelectable) << "no element 21";
}

// Pixels of `image` within `distance` of `colour` in each of red, green and blue, in the rows from `top` to `bottom`.
int Pixels(const QImage& image, const QColor& colour, int distance, int top = 0, int bottom = INT_MAX) {
    int count = 0;
    for (int y = std::max(top, 0); y < std::min(bottom, image.height()); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            count += std::abs(pixel.red() - colour.red()) <= distance &&
                     std::abs(pixel.green() - colour.green()) <= distance &&
                     std::abs(pixel.blue() - colour.blue()) <= distance;
        }
    return count;
}

TEST(ArrayViewsTest, PlotKeepsEverySpikeAndHeatMapCellsOnTheScale) {
    const auto render = [](ElementListModel& elements, int rows, ArrayPlotView::Mode mode) {
        ArrayPlotView plot(&elements);
        plot.SetRange(0, elements.Elements().size(), rows);
        plot.SetMode(mode);
        QImage image(400, 240, QImage::Format_RGB32);
        QPainter painter(&image);
        plot.Render(painter, image.rect());
        return image;
    };
    // Ten thousand points over a few hundred pixel columns: the one high element still reaches the top.
    std::string zeros;
    for (int i = 0; i < 10000; ++i) zeros += "0,";
    ElementListModel line({}, "uint8");
    line.Fill(zeros.substr(0, 10000) + "255," + zeros.substr(10004));
    const QImage curve = render(line, 1, ArrayPlotView::Mode::Curves);
    EXPECT_GT(Pixels(curve, ArrayPlotView::EditedColour(), 0, 26, 60), 0) << "the spike, below the legend";

    ElementListModel table({2, 2}, "uint8");
    table.Fill("0,85,x,255");
    const QImage map = render(table, 2, ArrayPlotView::Mode::HeatMap);
    EXPECT_GT(Pixels(map, ScaleColour(1.0), 1), 2000) << "the cell at the top of the scale";
    EXPECT_LT(Pixels(map, ScaleColour(128 / 255.0), 0), 100) << "a text that is no number has no colour";
}

// Renders the views for docs/screenshots: the simulated modem's 7 x 7 gain table
// with a selection and the colour scale, a 1,500-point curve with an edited stretch beside the
// values read, and a 16 x 32 power table as a heat map.
TEST(ArrayViewsScreenshots, RenderTablePlotAndHeatMap) {
    if (!std::getenv("VTQ_SCREENSHOT_DIR")) GTEST_SKIP() << "VTQ_SCREENSHOT_DIR not set";
    const auto values = [](size_t count, auto element) {
        std::string text;
        for (size_t i = 0; i < count; ++i) text += (i ? "," : "") + std::to_string(element(i));
        return text;
    };
    // The simulated modem's gain table, a 3 x 3 block of it raised by 2.
    const std::string gain =
        "40,36,32,28,24,20,16,52,49,46,43,40,37,34,64,62,60,58,56,54,52,76,75,74,73,72,71,70,88,88,88,88,88,88,88,"
        "100,101,102,103,104,105,106,112,114,116,118,120,122,124";
    TableEditor table({49}, "sint16", gain, "cal_rx_gain.gain_tab[0,6][0,6]");
    table.dialog.SetReadValue(gain);
    table.user.inputAnswers = {"2"};
    table.Select(2, 1, 4, 3);
    QTest::keyClick(table.views.SGTable, Qt::Key_Plus);
    table.dialog.resize(640, 560);
    QTest::qWait(50);
    test::Shot(&table.dialog, "array-table.png");

    const auto curve = [](size_t i) { return static_cast<int>(4000 * std::sin(i / 240.0) + 1.5 * i); };
    TableEditor plot({1500}, "int16", values(1500, curve), "cal_t8x_lut.phase_lut");
    plot.dialog.SetReadValue(values(1500, curve));
    plot.user.inputAnswers = {"600"};
    plot.views.SEColumns->setValue(50);
    plot.Select(12, 0, 17, 49);
    QTest::keyClick(plot.views.SGTable, Qt::Key_Plus);
    plot.views.PCViews->setCurrentWidget(plot.views.PlotView);
    plot.dialog.resize(720, 560);
    QTest::qWait(50);
    test::Shot(&plot.dialog, "array-plot.png");

    const auto power = [](size_t i) { return 900 + 40 * (i / 32) + static_cast<int>(300 * std::cos((i % 32) / 6.0)); };
    TableEditor map({16, 32}, "uint16", values(512, power), "cal_t8x_lut.pwr_tab");
    map.dialog.SetReadValue(values(512, power));
    map.Select(5, 10, 8, 14);
    QTest::keyClick(map.views.SGTable, Qt::Key_B);
    map.views.PCViews->setCurrentWidget(map.views.PlotView);
    map.views.CBHeatMap->setChecked(true);
    map.dialog.resize(720, 560);
    QTest::qWait(50);
    test::Shot(&map.dialog, "array-heat-map.png");
}

}  // namespace
}  // namespace vtq
