#pragma once
// The elements of an array value as a list model for the array editor: one
// text per element, held once, converted for the view only for the rows it
// shows, so a value of a million elements opens and scrolls without delay.
// The delegate draws each row's element label on a tinted strip at its left.

#include <QAbstractListModel>
#include <QStyledItemDelegate>
#include <string>
#include <string_view>
#include <vector>

namespace vtq {

class ElementListModel : public QAbstractListModel {
    Q_OBJECT

public:
    // The element label of a row ("[1][2]"), as a QString.
    static constexpr int LabelRole = Qt::UserRole + 1;

    explicit ElementListModel(std::vector<int64_t> strides, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Replaces the list with the elements of a value text, in one reset.
    void Fill(std::string_view value);
    const std::vector<std::string>& Elements() const { return elements_; }
    void SetElement(int row, std::string text);
    // All elements joined with ",".
    std::string Join() const;

private:
    std::vector<int64_t> strides_;
    std::vector<std::string> elements_;
};

class ElementDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int kLabelWidth = 66;
    static constexpr int kRowHeight = 16;

    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // A colour mixed half and half with silver (C0C0C0).
    static QColor Tint(const QColor& color);
};

}  // namespace vtq
