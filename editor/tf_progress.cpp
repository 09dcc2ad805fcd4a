#include "editor/tf_progress.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

#include "editor/pictures.h"

namespace vtq {

ClickPanel::ClickPanel(const QString& caption, QWidget* parent) : QFrame(parent), label_(new QLabel(caption, this)) {
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    label_->setAlignment(Qt::AlignCenter);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 4, 12, 4);
    layout->addWidget(label_);
}

void ClickPanel::SetCaption(const QString& caption) { label_->setText(caption); }

QString ClickPanel::Caption() const { return label_->text(); }

void ClickPanel::mouseReleaseEvent(QMouseEvent* event) {
    // A disabled widget gets no mouse events, so a disabled panel never clicks.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
    QFrame::mouseReleaseEvent(event);
}

void ClickPanel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit clicked();
        return;
    }
    QFrame::keyPressEvent(event);
}

TFProgress::TFProgress(QWidget* owner)
    : QDialog(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowContextHelpButtonHint) {
    setObjectName(QStringLiteral("TFProgress"));
    setWindowTitle(QStringLiteral("Progress"));
    setModal(false);
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(8);
    setFont(font);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(ProgressPicture());
    Image1->setFixedSize(156, 156);

    LabelStatus = new QLabel(QStringLiteral("Please Wait..."), this);
    LabelStatus->setObjectName(QStringLiteral("LabelStatus"));
    // The status names the group being read, which is shown as typed even when it looks like markup.
    LabelStatus->setTextFormat(Qt::PlainText);
    LabelStatus->setAlignment(Qt::AlignCenter);
    QFont bold = font;
    bold.setBold(true);
    LabelStatus->setFont(bold);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setRange(0, 0);
    ProgressBar1->setMaximumHeight(16);

    PCancel = new ClickPanel(QStringLiteral("Cancel"), this);
    PCancel->setObjectName(QStringLiteral("PCancel"));
    connect(PCancel, &ClickPanel::clicked, this, &TFProgress::PCancelClick);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 8);
    layout->addWidget(Image1, 0, Qt::AlignHCenter);
    layout->addWidget(LabelStatus);
    layout->addWidget(ProgressBar1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(PCancel);
    layout->addLayout(bottom);
    setFixedWidth(340);
}

void TFProgress::SetRange(int maximum) {
    ProgressBar1->setRange(0, maximum);
    ProgressBar1->setValue(0);
}

void TFProgress::ShowBar(bool visible) { ProgressBar1->setVisible(visible); }

void TFProgress::SetStatus(const QString& text) {
    LabelStatus->setText(text);
    // Painted now: the operation's next exchange may block for the whole
    // time-out before events run again, and the window must name what it waits for.
    if (LabelStatus->isVisible()) LabelStatus->repaint();
}

void TFProgress::SetPosition(int position) { ProgressBar1->setValue(position); }

void TFProgress::PCancelClick() {
    if (cancelled_) return;
    cancelled_ = true;
    PCancel->SetCaption(QStringLiteral("Stopping..."));
    PCancel->setEnabled(false);
}

void TFProgress::reject() { PCancelClick(); }

void TFProgress::closeEvent(QCloseEvent* event) {
    PCancelClick();
    event->ignore();
}

void TFProgress::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Centred on the screen rather than on the owner window.
    if (QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

}  // namespace vtq
