#pragma once
// The host's log: the plug-in's show line and the host's own messages, each
// with a time stamp; flag 0 (errors and warnings) in red, flag 1 (information)
// in the normal colour. Copy, save and clear.

#include <QPlainTextEdit>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace nvmhost {

class LogPane : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit LogPane(QWidget* parent = nullptr);

    // `text` is 8-bit: every byte is shown as its Latin-1 character.
    void AddLine(const std::string& text, uint8_t flag);
    // The lines as they would be saved: "hh:mm:ss.zzz E text" or "... I text".
    // The same lines as the pane shows: past the limit the oldest go from both.
    const QStringList& Lines() const { return lines_; }
    // How many log lines are kept (each AddLine is one, whatever breaks its text has).
    void SetLineLimit(int lines);
    int LineLimit() const { return limit_; }
    bool SaveTo(const QString& path, QString& error) const;

public slots:
    // The selection, or the whole log when nothing is selected.
    void CopyToClipboard();
    void SaveAs();
    void ClearLog();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QStringList lines_;
    int limit_ = 100000;
};

}  // namespace nvmhost
