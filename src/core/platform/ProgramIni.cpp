// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/platform/ProgramIni.h"

namespace programini {
std::string DirectoryOf(const std::string& path) {
    const size_t separator = path.find_last_of("/\\");
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

std::string PathIn(const std::string& directory) {
    return directory + kFileName;
}
} // namespace programini
