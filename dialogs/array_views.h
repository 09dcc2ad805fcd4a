#pragma once
// The array editor's views of one array, in tabs: the element list, the table
// and the plot, over the same elements. Above them the shape controls: which
// table of a three-dimensional array, how many columns a one-dimensional
// array's rows have, the colour scale and the heat map. The table's
// rectangular selection takes the block operations by keystroke or context
// menu; each is one undo step (Ctrl+Z, Ctrl+Y) and the status line says what
// it did. The operations themselves are the core's (ApplyBlock, PasteBlock):
// these handlers only gather the selection and the argument.

#include <QWidget>
#include <string>

#include "core/array_block.h"

class QAction;
class QCheckBox;
class QLabel;
class QListView;
class QMenu;
class QSpinBox;
class QTabWidget;
class QTableView;

namespace vtq {

class ArrayPlotView;
class ArrayTableModel;
class ElementListModel;
class UserSide;

class ArrayViews : public QWidget {
    Q_OBJECT

public:
    // `list` becomes the first tab. Messages and input boxes go to `user` when given, else to dialogs.
    ArrayViews(ElementListModel* elements, QListView* list, UserSide* user, QWidget* parent = nullptr);

    QLabel* LTable;
    QSpinBox* SETable;
    QLabel* LColumns;
    QSpinBox* SEColumns;
    QCheckBox* CBColourScale;
    QCheckBox* CBHeatMap;
    QTabWidget* PCViews;
    QTableView* SGTable;
    ArrayPlotView* PlotView;
    QLabel* LStatus;
    QMenu* PMTable;  // the table's context menu: the block operations
    ArrayTableModel* TableModel() const { return table_; }

    // Handlers.
    void SETableChange();
    void SEColumnsChange();
    void CBColourScaleClick();
    void CBHeatMapClick();
    // One block operation on the selection; asks for the argument of those that take one.
    void RunOperation(BlockOperation operation);
    void CopyClick();
    void PasteClick();
    void UndoClick();
    void RedoClick();

    // The selection as one block of the shown table; false when it is not one rectangle.
    bool SelectedBlock(CellBlock& block) const;

signals:
    // The elements changed through the table (an operation, a paste, an undo): the editor's line follows.
    void ElementsEdited();
    // A double click or Enter on a table cell: the element to edit alone.
    void EditElementRequested(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* AddAction(const QString& text, const QKeySequence& keys, QWidget* on);
    void BuildMenu();
    void ShapeChanged();
    void ShowResult(const BlockResult& result);
    bool AskArgument(BlockOperation operation, std::string& argument);
    void Refuse(const std::string& message);

    ElementListModel* elements_;
    ArrayTableModel* table_;
    UserSide* user_;
};

}  // namespace vtq
