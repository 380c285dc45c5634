// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// RERAVA.INI, the file of the settings, the phone numbers and the fax records, lies in the
// program directory (~/KORVEL QUORRA unless the command line or the environment names another;
// src/app/ProgramDirectory.h). Every path of it is made here. Paths are the file system's own bytes.
namespace programini {
inline constexpr const char* kFileName = "RERAVA.INI";
// The section of the settings, the phone numbers and the installation mark.
inline constexpr const char* kSettingsSection = "DEZAZAZE";

// The directory part of `path`, with its trailing separator ('/', or '\' in a path written the
// Windows way); empty when `path` has none.
std::string DirectoryOf(const std::string& path);
// RERAVA.INI in `directory`, which is empty or ends in a separator.
std::string PathIn(const std::string& directory);
} // namespace programini
