#include "host/log_pane.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QSaveFile>
#include <QTextCharFormat>
#include <QTextCursor>
#include <algorithm>

#include "dialogs/qt_text.h"

namespace nvmhost {

LogPane::LogPane(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    // One log line is one block of the document, so the document's block limit
    // and the list of lines drop the same oldest lines.
    setMaximumBlockCount(limit_);
    setObjectName("LogPane");
}

void LogPane::SetLineLimit(int lines) {
    limit_ = std::max(1, lines);
    setMaximumBlockCount(limit_);
    while (lines_.size() > limit_) lines_.removeFirst();
}

void LogPane::AddLine(const std::string& text, uint8_t flag) {
    const QString stamp = QDateTime::currentDateTime().toString("hh:mm:ss.zzz");
    QString body = vtq::ToQ(text);
    // Lines from the target end in CR LF; the pane shows them as plain line breaks.
    body.replace("\r\n", "\n");
    body.replace('\r', '\n');
    while (body.endsWith('\n')) body.chop(1);
    const QString line = stamp + (flag == 0 ? " E " : " I ") + body;
    lines_.append(line);
    while (lines_.size() > limit_) lines_.removeFirst();
    // Breaks inside a line stay inside its block.
    QString shown = line;
    shown.replace('\n', QChar::LineSeparator);

    QTextCharFormat format;
    if (flag == 0) format.setForeground(QColor(0xc0, 0x00, 0x00));
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    if (!document()->isEmpty()) cursor.insertBlock();
    cursor.insertText(shown, format);
    moveCursor(QTextCursor::End);
}

bool LogPane::SaveTo(const QString& path, QString& error) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    for (const QString& line : lines_) {
        file.write(line.toLatin1());
        file.write("\n");
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

void LogPane::CopyToClipboard() {
    const QString selected = textCursor().selectedText();
    QString text = selected.isEmpty() ? lines_.join('\n') : selected;
    text.replace(QChar::ParagraphSeparator, '\n');
    text.replace(QChar::LineSeparator, '\n');
    QApplication::clipboard()->setText(text);
}

void LogPane::SaveAs() {
    const QString path = QFileDialog::getSaveFileName(this, "Save Log", "nvmhost.log", "Log files (*.log *.txt)");
    if (path.isEmpty()) return;
    QString error;
    if (!SaveTo(path, error)) QMessageBox::warning(this, "Save Log", "Cannot save " + path + ": " + error);
}

void LogPane::ClearLog() {
    lines_.clear();
    clear();
}

void LogPane::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction("Copy", this, &LogPane::CopyToClipboard);
    menu.addAction("Save As...", this, &LogPane::SaveAs);
    menu.addSeparator();
    menu.addAction("Clear", this, &LogPane::ClearLog);
    menu.exec(event->globalPos());
}

}  // namespace nvmhost
