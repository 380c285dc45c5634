// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QPixmap>

// The program's own pictures, drawn here rather than loaded: the toolbar strip and the icon.
namespace images {
constexpr int kToolbarImageWidth = 19;
constexpr int kToolbarImageHeight = 20;
enum Image { kRead, kView, kSettings, kPhoneNumbers, kDelete, kExit, kAbout, kToolbarImageCount };

// The strip of the seven toolbar images side by side (133 by 20 pixels), transparent background.
QPixmap ToolbarStrip();
// One image of the strip.
QPixmap ToolbarImage(Image which);
// The images of the built-in viewer's commands (preview, print, export to PDF), drawn in the same
// style and size; they follow the strip's images on the toolbar but are not part of the strip.
enum ExtraImage { kPreview, kPrint, kExportPdf };
QPixmap ExtraToolbarImage(ExtraImage which);
// The program's icon: a fax page coming out of a modem.
QIcon ProgramIcon();
} // namespace images
