// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/kit/DialogLayout.h"

#include <QFont>
#include <QFontMetrics>
#include <QWidget>

namespace dialoglayout {
namespace {
// The average width is taken over the Latin alphabet, as the dialog manager has always done.
QSize BaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int average = (metrics.horizontalAdvance(alphabet) / 26 + 1) / 2;
    return QSize(average, metrics.height());
}
} // namespace

QFont DialogFont() {
    QFont font(QStringLiteral("SimSun"));
    font.setPointSize(9);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QRect ToPixels(const QFont& font, int x, int y, int width, int height) {
    const QSize base = BaseUnits(font);
    return QRect(x * base.width() / 4, y * base.height() / 8, width * base.width() / 4, height * base.height() / 8);
}

QSize ToPixels(const QFont& font, int width, int height) {
    return ToPixels(font, 0, 0, width, height).size();
}

void Place(QWidget* widget, int x, int y, int width, int height) {
    const QFont font = widget->parentWidget() ? widget->parentWidget()->font() : widget->font();
    widget->setGeometry(ToPixels(font, x, y, width, height));
}
} // namespace dialoglayout
