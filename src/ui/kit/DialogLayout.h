// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QSize>

class QFont;
class QWidget;

// Dialogs keep their controls' positions in dialog units: a horizontal unit is a quarter of the
// dialog font's average character width, a vertical unit an eighth of its height.
namespace dialoglayout {
// The dialog font: "宋体" 9 points where it exists; the platform picks the nearest CJK face.
QFont DialogFont();
QRect ToPixels(const QFont& font, int x, int y, int width, int height);
QSize ToPixels(const QFont& font, int width, int height);
// Places `widget` at a rectangle given in dialog units of its parent's font.
void Place(QWidget* widget, int x, int y, int width, int height);
} // namespace dialoglayout
