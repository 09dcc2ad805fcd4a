#pragma once
// The character a key press types, as the editors' key filters see it: Enter
// is a carriage return and Backspace a backspace; shortcuts, navigation and
// the dialog keys (Escape, Tab) pass through to the widget untouched.

#include <QKeyEvent>

namespace vtq {

struct TypedKey {
    bool pass;       // not a typed character: leave the key to the widget
    char character;  // Latin-1 code; 0 with pass false: a character outside Latin-1, dropped
};

inline TypedKey TypedKeyOf(const QKeyEvent& event) {
    const Qt::KeyboardModifiers mods = event.modifiers();
    const bool altGr = (mods & Qt::ControlModifier) && (mods & Qt::AltModifier);
    if (!altGr && (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) return {true, 0};
    switch (event.key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return {false, '\r'};
        case Qt::Key_Backspace:
            return {false, '\b'};
        case Qt::Key_Escape:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Delete:
            return {true, 0};
        default:
            break;
    }
    const QString text = event.text();
    if (text.size() != 1 || text[0].unicode() == 0 || text[0].unicode() == 127) return {true, 0};
    const char16_t code = text[0].unicode();
    if (code > 255) return {false, 0};
    return {false, static_cast<char>(code)};
}

}  // namespace vtq
