#pragma once
// The progress window of one long operation. It never ends an operation by
// itself: Cancel (or trying to close the window) only raises a flag that the
// operation polls between two commands.

#include <QDialog>
#include <QFrame>

class QLabel;
class QProgressBar;

namespace vtq {

// A flat panel with a caption that reacts to a click, like a button without
// the button look.
class ClickPanel : public QFrame {
    Q_OBJECT
public:
    explicit ClickPanel(const QString& caption, QWidget* parent = nullptr);
    void SetCaption(const QString& caption);
    QString Caption() const;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* label_;
};

class TFProgress : public QDialog {
    Q_OBJECT
public:
    explicit TFProgress(QWidget* owner = nullptr);

    void SetRange(int maximum);
    void ShowBar(bool visible);
    void SetStatus(const QString& text);
    void SetPosition(int position);
    bool IsCancelled() const { return cancelled_; }

    QLabel* Image1;
    QLabel* LabelStatus;
    QProgressBar* ProgressBar1;
    ClickPanel* PCancel;

public slots:
    void PCancelClick();
    // Escape closes a dialog by rejecting it; here it cancels like the panel.
    void reject() override;

protected:
    // Closing the window is a Cancel; the window stays until the operation closes it.
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    bool cancelled_ = false;
};

}  // namespace vtq
