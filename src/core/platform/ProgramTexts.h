// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringView>

// What the user reads in more than one part of the program.
namespace texts {
// The program's name: the caption of every message box, the status bar's idle text, the name of
// the installed program and of its desktop launcher.
inline constexpr QStringView kProgramTitle = u"KorvelQuorraMODEM传真处理程序";
// No modem answered on COM1 or COM2 (the read command, the three modem dialogs).
inline constexpr QStringView kNoModemMessage = u"检测调制解调器失败！";
// The modem refused a setting or a phone-number slot (the settings and phone-number dialogs).
inline constexpr QStringView kTransferFailedMessage = u"参数设置失败！请按照说明书重新设置。";
} // namespace texts
