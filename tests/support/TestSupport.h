// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// Helpers shared by the tests.
namespace testsupport {
// A fresh empty directory under the system's temporary directory, removed when the process ends.
std::string MakeTempDir();
// Whole file as bytes; empty when it cannot be read.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
// Directories (pages) in a TIFF file, as libtiff's own tool counts them; -1 when it cannot read
// the file. `path` is handed on byte for byte, so a native GBK path works too.
int TiffPages(const std::string& path);
} // namespace testsupport
