// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

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
// Writes a fax page file at `tiffPath` as the retrieval would: the T.4 test pages named (files
// tests/data/pages/NAME.g3) captured at fine or normal resolution and converted by FaxFileWriter.
// False when the writer fails.
bool MakeFaxPageFile(const std::string& tiffPath, bool fine, const std::vector<std::string>& pages);
} // namespace testsupport
