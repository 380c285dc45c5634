// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/res/ProgramImages.h"

#include <QPainter>
#include <QPainterPath>

namespace images {
namespace {
const QColor kInk(40, 40, 40);
const QColor kPaper(255, 255, 250);
const QColor kBlue(30, 90, 190);
const QColor kGreen(20, 140, 60);
const QColor kRed(200, 30, 30);

// A page with a folded corner and a few lines of text, inside `area`.
void DrawPage(QPainter& p, const QRectF& area) {
    const qreal fold = area.width() * 0.3;
    QPainterPath page;
    page.moveTo(area.left(), area.top());
    page.lineTo(area.right() - fold, area.top());
    page.lineTo(area.right(), area.top() + fold);
    page.lineTo(area.right(), area.bottom());
    page.lineTo(area.left(), area.bottom());
    page.closeSubpath();
    p.setPen(QPen(kInk, 1));
    p.setBrush(kPaper);
    p.drawPath(page);
    p.drawLine(QPointF(area.right() - fold, area.top()), QPointF(area.right() - fold, area.top() + fold));
    p.drawLine(QPointF(area.right() - fold, area.top() + fold), QPointF(area.right(), area.top() + fold));
    p.setPen(QPen(QColor(120, 120, 120), 1));
    for (qreal y = area.top() + fold + 2; y < area.bottom() - 1; y += 2.5)
        p.drawLine(QPointF(area.left() + 2, y), QPointF(area.right() - 2, y));
}

void DrawRead(QPainter& p) {
    DrawPage(p, QRectF(1.5, 1.5, 10, 13));
    // A green arrow down into a tray.
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    QPolygonF arrow;
    arrow << QPointF(13, 3) << QPointF(16, 3) << QPointF(16, 9) << QPointF(18.5, 9) << QPointF(14.5, 14)
          << QPointF(10.5, 9) << QPointF(13, 9);
    p.drawPolygon(arrow);
    p.setPen(QPen(kInk, 1.5));
    p.drawLine(QPointF(2, 18), QPointF(17, 18));
    p.drawLine(QPointF(2, 16), QPointF(2, 18));
    p.drawLine(QPointF(17, 16), QPointF(17, 18));
}

void DrawView(QPainter& p) {
    DrawPage(p, QRectF(1.5, 1.5, 11, 15));
    // A magnifying glass.
    p.setPen(QPen(kBlue, 2));
    p.setBrush(QColor(200, 225, 255, 200));
    p.drawEllipse(QPointF(12, 11), 3.8, 3.8);
    p.setPen(QPen(kInk, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(14.8, 13.8), QPointF(17.5, 17.5));
}

void DrawSettings(QPainter& p) {
    // A gear.
    const QPointF centre(9.5, 10);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 100, 120));
    for (int tooth = 0; tooth < 8; ++tooth) {
        p.save();
        p.translate(centre);
        p.rotate(tooth * 45.0);
        p.drawRect(QRectF(-1.5, -8.5, 3, 4));
        p.restore();
    }
    p.drawEllipse(centre, 6, 6);
    p.setBrush(QColor(230, 230, 230));
    p.drawEllipse(centre, 2.5, 2.5);
}

void DrawPhoneNumbers(QPainter& p) {
    // A small address book with a handset on it.
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(230, 180, 80));
    p.drawRect(QRectF(3.5, 1.5, 12, 17));
    p.setBrush(kInk);
    for (qreal y = 4; y < 18; y += 4)
        p.drawRect(QRectF(1.5, y, 3, 1.2));
    p.setPen(QPen(kInk, 2.5, Qt::SolidLine, Qt::RoundCap));
    QPainterPath handset;
    handset.moveTo(7, 7);
    handset.cubicTo(8, 14, 10, 15, 13, 15);
    p.setBrush(Qt::NoBrush);
    p.drawPath(handset);
    p.setPen(QPen(kInk, 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawPoint(QPointF(7.3, 6.5));
    p.drawPoint(QPointF(13.5, 15));
}

void DrawDelete(QPainter& p) {
    DrawPage(p, QRectF(1.5, 1.5, 11, 15));
    p.setPen(QPen(kRed, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 10), QPointF(17, 17));
    p.drawLine(QPointF(17, 10), QPointF(10, 17));
}

void DrawExit(QPainter& p) {
    // An open door and an arrow leaving through it.
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(150, 100, 60));
    p.drawRect(QRectF(2.5, 1.5, 9, 17));
    p.setBrush(QColor(110, 70, 40));
    QPolygonF leaf;
    leaf << QPointF(2.5, 1.5) << QPointF(7.5, 4) << QPointF(7.5, 19) << QPointF(2.5, 18.5);
    p.drawPolygon(leaf);
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    QPolygonF arrow;
    arrow << QPointF(9, 9) << QPointF(13, 9) << QPointF(13, 6) << QPointF(18, 10.5) << QPointF(13, 15)
          << QPointF(13, 12) << QPointF(9, 12);
    p.drawPolygon(arrow);
}

void DrawAbout(QPainter& p) {
    p.setPen(QPen(kBlue.darker(130), 1));
    p.setBrush(kBlue);
    p.drawEllipse(QRectF(1.5, 2.5, 16, 16));
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(13);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(1.5, 2.5, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
}

void DrawPreview(QPainter& p) {
    // A window with its title bar, a fax page in it.
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(235, 240, 250));
    p.drawRect(QRectF(0.5, 1.5, 18, 17));
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawRect(QRectF(1, 2, 17, 3));
    DrawPage(p, QRectF(5.5, 6.5, 8, 11));
}

void DrawPrint(QPainter& p) {
    // A printer with a page coming out of its top.
    DrawPage(p, QRectF(4.5, 0.5, 10, 9));
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(90, 100, 120));
    p.drawRoundedRect(QRectF(1.5, 8.5, 16, 7), 1.5, 1.5);
    p.setBrush(kPaper);
    p.drawRect(QRectF(4.5, 13.5, 10, 5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 220, 90));
    p.drawEllipse(QPointF(15, 10.8), 1, 1);
}

void DrawExportPdf(QPainter& p) {
    // A page with a red band saying PDF.
    DrawPage(p, QRectF(2.5, 0.5, 13, 18));
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    p.drawRect(QRectF(0.5, 10, 15, 7));
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(6);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(0.5, 10, 15, 7), Qt::AlignCenter, QStringLiteral("PDF"));
}

void Draw(QPainter& p, Image which) {
    switch (which) {
    case kRead:
        DrawRead(p);
        break;
    case kView:
        DrawView(p);
        break;
    case kSettings:
        DrawSettings(p);
        break;
    case kPhoneNumbers:
        DrawPhoneNumbers(p);
        break;
    case kDelete:
        DrawDelete(p);
        break;
    case kExit:
        DrawExit(p);
        break;
    case kAbout:
    case kToolbarImageCount:
        DrawAbout(p);
        break;
    }
}
} // namespace

QPixmap ToolbarImage(Image which) {
    QPixmap image(kToolbarImageWidth, kToolbarImageHeight);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    Draw(p, which);
    return image;
}

QPixmap ExtraToolbarImage(ExtraImage which) {
    QPixmap image(kToolbarImageWidth, kToolbarImageHeight);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    switch (which) {
    case kPreview:
        DrawPreview(p);
        break;
    case kPrint:
        DrawPrint(p);
        break;
    case kExportPdf:
        DrawExportPdf(p);
        break;
    }
    return image;
}

QPixmap ToolbarStrip() {
    QPixmap strip(kToolbarImageWidth * kToolbarImageCount, kToolbarImageHeight);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    for (int i = 0; i < kToolbarImageCount; ++i)
        p.drawPixmap(i * kToolbarImageWidth, 0, ToolbarImage(static_cast<Image>(i)));
    return strip;
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 20.0, size / 20.0);
        // The modem: a flat box with two lights, a page rising out of it.
        DrawPage(p, QRectF(5.5, 0.5, 9, 12));
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(70, 80, 100));
        p.drawRoundedRect(QRectF(1, 11, 18, 7), 2, 2);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(60, 220, 90));
        p.drawEllipse(QPointF(4.5, 14.5), 1.2, 1.2);
        p.setBrush(QColor(250, 170, 40));
        p.drawEllipse(QPointF(8, 14.5), 1.2, 1.2);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
} // namespace images
