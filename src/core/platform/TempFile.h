// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// Temporary files as the program names them: the prefix, sixteen random hexadecimal digits and
// ".TMP" ("TAM3F09A1C2D4E5B687.TMP"; older versions of the program used four). Created exclusively
// (never through a symbolic link), readable and writable by the owner only, left empty. With 2^64
// names nobody can take them all, as 65,535 four-digit ones were taken in seconds.
namespace tempfile {
// The temporary directory with a trailing '/'.
std::string TempDirectory();
// Creates a new empty file in `directory` (which ends in '/'); returns its path, or an empty
// string when no file could be created.
std::string CreateUnique(const std::string& directory, const std::string& prefix = "TAM");
} // namespace tempfile
