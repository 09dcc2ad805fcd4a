#include "editor/pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace vtq {

namespace {

// A rounded label with a one-word caption, small enough for a 20-pixel row.
QPixmap DrawMark(int width, int height, const QColor& fill, const QColor& border, const QString& caption) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(border);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(0.5, 0.5, width - 1, height - 1), 3, 3);
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(height - 4);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, width, height), Qt::AlignCenter, caption);
    return pixmap;
}

QPixmap DrawProgressPicture() {
    const int size = 156;
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // A memory chip with an arrow moving data out of it.
    QLinearGradient body(0, 30, 0, 120);
    body.setColorAt(0, QColor(70, 90, 120));
    body.setColorAt(1, QColor(35, 45, 65));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(170, 170, 170));
    for (int i = 0; i < 6; ++i) {
        p.drawRect(30 + i * 16, 22, 6, 12);
        p.drawRect(30 + i * 16, 110, 6, 12);
    }
    p.setBrush(body);
    p.drawRoundedRect(QRectF(20, 32, 116, 80), 6, 6);
    p.setBrush(QColor(255, 255, 255, 40));
    p.drawEllipse(QPointF(34, 46), 5, 5);
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(26);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(20, 32, 116, 80), Qt::AlignCenter, QStringLiteral("NVM"));
    QPainterPath arrow;
    arrow.moveTo(56, 128);
    arrow.lineTo(100, 128);
    arrow.lineTo(100, 122);
    arrow.lineTo(114, 138);
    arrow.lineTo(100, 154);
    arrow.lineTo(100, 148);
    arrow.lineTo(56, 148);
    arrow.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 150, 60));
    p.drawPath(arrow.translated(-6, -4));
    return pixmap;
}

QPixmap DrawExtraFeaturesPicture() {
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // A gear: the less common operations.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(80, 80, 90));
    p.translate(12, 12);
    for (int i = 0; i < 8; ++i) {
        p.drawRect(QRectF(-2, -11, 4, 6));
        p.rotate(45);
    }
    p.drawEllipse(QPointF(0, 0), 7.5, 7.5);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(0, 0), 3, 3);
    return pixmap;
}

}  // namespace

const QPixmap& ProgressPicture() {
    static const QPixmap picture = DrawProgressPicture();
    return picture;
}

const QPixmap& ExtraFeaturesPicture() {
    static const QPixmap picture = DrawExtraFeaturesPicture();
    return picture;
}

const QPixmap& NotStoredPicture() {
    static const QPixmap picture =
        DrawMark(47, 14, QColor(110, 110, 110), QColor(70, 70, 70), QStringLiteral("EDITED"));
    return picture;
}

const QPixmap& InTargetRAMPicture() {
    static const QPixmap picture = DrawMark(57, 13, QColor(0, 128, 0), QColor(0, 90, 0), QStringLiteral("IN RAM"));
    return picture;
}

}  // namespace vtq
