// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QProcessEnvironment;

// Where the program keeps RERAVA.INI and the received faxes: "~/KORVEL QUORRA", wherever the
// executable is installed, unless the option "--program-directory DIR" or the environment variable
// FAXDESK_PROGRAM_DIRECTORY names another directory (the option wins; the command line's parser
// knows it, CommandLine.h). The demo and the tests run the program on directories of their own this
// way.
namespace startup {
inline constexpr QStringView kDirectoryOption = u"program-directory";
inline constexpr QStringView kDirectoryVariable = u"FAXDESK_PROGRAM_DIRECTORY";

// The program directory, absolute and with a trailing '/', from the option's value (null: not
// given) and the environment.
QString ProgramDirectory(const QString& option, const QProcessEnvironment& environment);
} // namespace startup
