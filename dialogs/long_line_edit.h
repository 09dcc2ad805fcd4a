#pragma once
// A one-line editor for very long 8-bit texts, such as an array value of a
// million elements (several megabytes on one line). It lays out and paints
// only the characters in view, in a fixed-pitch font, so setting, scrolling
// and typing stay quick whatever the length; a general line edit lays out
// the whole text on every change and takes seconds there.
//
// It edits like a line edit: typing, Backspace and Delete, cursor keys with
// Shift, Home and End, Ctrl+Left/Right by element (commas end elements),
// Ctrl+A, Ctrl+C, Ctrl+X, Ctrl+V, mouse clicks and drags, a double click
// selects one element. Enter emits ReturnPressed; Escape and Tab are left to
// the dialog.

#include <QWidget>
#include <string>
#include <string_view>

namespace vtq {

class LongLineEdit : public QWidget {
    Q_OBJECT

public:
    explicit LongLineEdit(QWidget* parent = nullptr);

    const std::string& Text() const { return text_; }
    // Replaces the text; the cursor goes to its start. Emits TextChanged.
    void SetText(std::string text);

    size_t CursorPosition() const { return cursor_; }
    void SetCursorPosition(size_t position, bool mark = false);
    bool HasSelectedText() const { return anchor_ != cursor_; }
    std::string SelectedText() const;
    void SelectAll();
    // Replaces the selection (or inserts at the cursor) as typing does; line breaks are dropped. Emits TextChanged.
    void Insert(std::string_view text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The text changed, by the user or by SetText.
    void TextChanged();
    void ReturnPressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRect TextArea() const;
    int CharWidth() const;
    size_t PositionAt(int x) const;
    // Scrolls so that the cursor is in view.
    void ShowCursor();
    void Replace(size_t from, size_t to, std::string_view with);
    void DeleteSelection();
    size_t ElementStart(size_t position) const;
    size_t ElementEnd(size_t position) const;

    std::string text_;
    size_t cursor_ = 0;
    size_t anchor_ = 0;
    long long scroll_ = 0;  // pixels of text left of the visible area
};

}  // namespace vtq
