#include "dialogs/long_line_edit.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>

#include "dialogs/qt_text.h"

namespace vtq {

namespace {

// Space left and right of the text, and above and below it, as a line edit has.
constexpr int kHorizontalMargin = 2;
constexpr int kVerticalMargin = 1;

QStyleOptionFrame FrameOption(const QWidget* widget) {
    QStyleOptionFrame option;
    option.initFrom(widget);
    option.rect = widget->rect();
    option.lineWidth = widget->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, widget);
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    return option;
}

// Characters without a glyph of their own are shown as a middle dot, so every
// character takes one cell; a tab shows as a blank.
QChar Shown(char c) {
    const auto code = static_cast<unsigned char>(c);
    if (c == '\t') return QLatin1Char(' ');
    if (code < 32 || (code >= 127 && code < 160)) return QChar(0xB7);
    return QLatin1Char(c);
}

}  // namespace

LongLineEdit::LongLineEdit(QWidget* parent) : QWidget(parent) {
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_KeyCompression, false);
    setCursor(Qt::IBeamCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setBackgroundRole(QPalette::Base);
}

void LongLineEdit::SetText(std::string text) {
    text_ = std::move(text);
    cursor_ = anchor_ = 0;
    scroll_ = 0;
    update();
    emit TextChanged();
}

void LongLineEdit::SetCursorPosition(size_t position, bool mark) {
    cursor_ = std::min(position, text_.size());
    if (!mark) anchor_ = cursor_;
    ShowCursor();
}

std::string LongLineEdit::SelectedText() const {
    const size_t from = std::min(anchor_, cursor_);
    return text_.substr(from, std::max(anchor_, cursor_) - from);
}

void LongLineEdit::SelectAll() {
    anchor_ = 0;
    cursor_ = text_.size();
    ShowCursor();
}

void LongLineEdit::Insert(std::string_view text) {
    std::string clean(text);
    clean.erase(std::remove_if(clean.begin(), clean.end(), [](char c) { return c == '\r' || c == '\n'; }), clean.end());
    Replace(std::min(anchor_, cursor_), std::max(anchor_, cursor_), clean);
}

void LongLineEdit::Replace(size_t from, size_t to, std::string_view with) {
    text_.replace(from, to - from, with);
    cursor_ = anchor_ = from + with.size();
    ShowCursor();
    emit TextChanged();
}

void LongLineEdit::DeleteSelection() {
    if (HasSelectedText()) Replace(std::min(anchor_, cursor_), std::max(anchor_, cursor_), {});
}

size_t LongLineEdit::ElementStart(size_t position) const {
    if (position == 0) return 0;
    const size_t comma = text_.rfind(',', position - 1);
    return comma == std::string::npos ? 0 : comma + 1;
}

size_t LongLineEdit::ElementEnd(size_t position) const {
    const size_t comma = text_.find(',', position);
    return comma == std::string::npos ? text_.size() : comma;
}

QRect LongLineEdit::TextArea() const {
    const QStyleOptionFrame option = FrameOption(this);
    return style()
        ->subElementRect(QStyle::SE_LineEditContents, &option, this)
        .adjusted(kHorizontalMargin, kVerticalMargin, -kHorizontalMargin, -kVerticalMargin);
}

int LongLineEdit::CharWidth() const { return std::max(1, fontMetrics().horizontalAdvance(QLatin1Char('0'))); }

size_t LongLineEdit::PositionAt(int x) const {
    const int width = CharWidth();
    const long long offset = x - TextArea().left() + scroll_ + width / 2;
    return offset <= 0 ? 0 : std::min(text_.size(), static_cast<size_t>(offset / width));
}

void LongLineEdit::ShowCursor() {
    const long long width = CharWidth();
    const long long visible = std::max(1, TextArea().width());
    const long long x = static_cast<long long>(cursor_) * width;
    if (x < scroll_) {
        scroll_ = x;
    } else if (x + 1 > scroll_ + visible) {
        scroll_ = x + 1 - visible;
    }
    // No empty room right of the text while it is longer than the field.
    const long long end = static_cast<long long>(text_.size()) * width + 1;
    scroll_ = std::max(0LL, std::min(scroll_, end - visible));
    update();
}

QSize LongLineEdit::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    const QSize text(metrics.horizontalAdvance(QLatin1Char('x')) * 17 + 2 * kHorizontalMargin,
                     std::max(metrics.height(), 14) + 2 * kVerticalMargin);
    const QStyleOptionFrame option = FrameOption(this);
    return style()->sizeFromContents(QStyle::CT_LineEdit, &option, text, this);
}

QSize LongLineEdit::minimumSizeHint() const { return sizeHint(); }

void LongLineEdit::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QStyleOptionFrame option = FrameOption(this);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);

    const QRect area = TextArea();
    painter.setClipRect(area);
    const int width = CharWidth();
    const size_t first = static_cast<size_t>(scroll_ / width);
    const long long left = area.left() + static_cast<long long>(first) * width - scroll_;
    const size_t last = std::min(text_.size(), first + static_cast<size_t>(area.width() / width) + 2);
    const size_t selFrom = std::min(anchor_, cursor_), selTo = std::max(anchor_, cursor_);
    const QPalette& palette = this->palette();
    for (size_t i = first; i < last; ++i) {
        const QRect cell(static_cast<int>(left + static_cast<long long>(i - first) * width), area.top(), width,
                         area.height());
        const bool selected = i >= selFrom && i < selTo;
        if (selected) painter.fillRect(cell, palette.color(QPalette::Highlight));
        painter.setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter, QString(Shown(text_[i])));
    }
    if (hasFocus()) {
        const int x = static_cast<int>(area.left() + static_cast<long long>(cursor_) * width - scroll_);
        painter.setPen(palette.color(QPalette::Text));
        painter.drawLine(x, area.top(), x, area.bottom());
    }
}

void LongLineEdit::keyPressEvent(QKeyEvent* event) {
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool control = event->modifiers() & Qt::ControlModifier;
    if (event->matches(QKeySequence::SelectAll)) {
        SelectAll();
    } else if (event->matches(QKeySequence::Copy)) {
        if (HasSelectedText()) QGuiApplication::clipboard()->setText(ToQ(SelectedText()));
    } else if (event->matches(QKeySequence::Cut)) {
        if (HasSelectedText()) QGuiApplication::clipboard()->setText(ToQ(SelectedText()));
        DeleteSelection();
    } else if (event->matches(QKeySequence::Paste)) {
        Insert(FromQ(QGuiApplication::clipboard()->text()));
    } else {
        switch (event->key()) {
            case Qt::Key_Left:
                if (HasSelectedText() && !shift) {
                    SetCursorPosition(std::min(anchor_, cursor_));
                } else {
                    SetCursorPosition(control ? ElementStart(cursor_ ? cursor_ - 1 : 0) : (cursor_ ? cursor_ - 1 : 0),
                                      shift);
                }
                break;
            case Qt::Key_Right:
                if (HasSelectedText() && !shift) {
                    SetCursorPosition(std::max(anchor_, cursor_));
                } else {
                    const bool atComma = cursor_ < text_.size() && text_[cursor_] == ',';
                    SetCursorPosition(control ? ElementEnd(atComma ? cursor_ + 1 : cursor_) : cursor_ + 1, shift);
                }
                break;
            case Qt::Key_Home:
                SetCursorPosition(0, shift);
                break;
            case Qt::Key_End:
                SetCursorPosition(text_.size(), shift);
                break;
            case Qt::Key_Backspace:
                if (HasSelectedText()) {
                    DeleteSelection();
                } else if (cursor_ > 0) {
                    Replace(cursor_ - 1, cursor_, {});
                }
                break;
            case Qt::Key_Delete:
                if (HasSelectedText()) {
                    DeleteSelection();
                } else if (cursor_ < text_.size()) {
                    Replace(cursor_, cursor_ + 1, {});
                }
                break;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                emit ReturnPressed();
                break;
            default: {
                const QString typed = event->text();
                const bool altGr = control && (event->modifiers() & Qt::AltModifier);
                const bool printable = !typed.isEmpty() && std::all_of(typed.begin(), typed.end(), [](QChar c) {
                    return c.unicode() >= 32 && c.unicode() != 127 && c.unicode() <= 255;
                });
                if (!printable || ((control || (event->modifiers() & Qt::MetaModifier)) && !altGr)) {
                    event->ignore();  // Escape, Tab and shortcuts belong to the dialog
                    return;
                }
                Insert(FromQ(typed));
                break;
            }
        }
    }
    event->accept();
}

void LongLineEdit::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    SetCursorPosition(PositionAt(event->position().toPoint().x()), event->modifiers() & Qt::ShiftModifier);
}

void LongLineEdit::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) SetCursorPosition(PositionAt(event->position().toPoint().x()), true);
}

void LongLineEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseDoubleClickEvent(event);
    const size_t at = PositionAt(event->position().toPoint().x());
    anchor_ = ElementStart(at);
    cursor_ = ElementEnd(at);
    ShowCursor();
}

void LongLineEdit::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void LongLineEdit::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

void LongLineEdit::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ShowCursor();
}

}  // namespace vtq
