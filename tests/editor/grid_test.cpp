// The grid model over the view: rows, the "(empty)" row, copied text and the state colours.
#include <gtest/gtest.h>

#include "editor/parameter_grid_model.h"
#include "qt_print.h"

namespace vtq {
namespace {

TEST(GridModelTest, RowsFollowTheViewCopiesKeepWholeValuesAndStaleEntriesAreNeverTouched) {
    GroupItems items;
    ParameterGridModel model{items};
    items.FindOrAddGroup("grp");
    items.FindOrAddGroup("other");
    items.BeginUpdate();
    items.AddParameter(0, "grp.a", "1", "", false);
    items.AddParameter(0, "grp.long", std::string(300, 'v'), "", false);
    items.AddParameter(0, "grp.z", "\xe9", "", false);
    items.AddParameter(1, "other.b", "2", "", false);
    items.EndUpdate();
    model.FillGrid();

    items.SetChecked(0, true);  // the grid follows the container
    ASSERT_EQ(model.rowCount(), 3);
    // Copy goes top to bottom whatever the order of selection, full values.
    EXPECT_EQ(RowsAsText(model, {2, 0, 2}), "grp.a=1\r\ngrp.z=\xe9");
    EXPECT_EQ(RowsAsText(model, {1}), "grp.long=" + std::string(300, 'v'));

    // Inside an update bracket a cleared group's records are gone: the view is emptied at once and the grid with it,
    // before the closing rebuild.
    items.BeginUpdate();
    items.ClearGroup(0);
    EXPECT_EQ(std::tuple(model.ShowsEmptyRow(), model.Record(0)), std::tuple(true, nullptr));
    items.EndUpdate();
}

// The state colours tell the user which values are unwritten or uncommitted: each is the blend the window promises.
TEST(GridColoursTest, StateBackgroundsAreBlendsWithGreyAndGreen) {
    QPalette palette;
    palette.setColor(QPalette::Active, QPalette::Base, QColor(255, 255, 255));
    palette.setColor(QPalette::Active, QPalette::Highlight, QColor(0, 120, 215));
    const GridColours c = MakeGridColours(palette);
    EXPECT_EQ((QStringList{c.normal.name(), c.notStored.name(), c.notStoredSelected.name(), c.inRAM.name(),
                           c.inRAMSelected.name()}),
              (QStringList{"#ffffff", "#dfdfdf", "#5f9bcb", "#cfdfcf", "#007c6b"}));
}

}  // namespace
}  // namespace vtq
