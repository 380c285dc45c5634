// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// Temporary files as the program names them: in the temporary directory, the prefix, four
// hexadecimal digits and ".TMP" ("TAM1A2F.TMP"). Created exclusively (never through a symbolic
// link), readable and writable by the owner only, left empty.
namespace tempfile {
// The temporary directory with a trailing '/'.
std::string TempDirectory();
// Creates a new empty file in `directory` (which ends in '/'); returns its path, or an empty
// string when no file could be created.
std::string CreateUnique(const std::string& directory, const std::string& prefix = "TAM");
} // namespace tempfile
