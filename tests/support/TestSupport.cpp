// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TestSupport.h"

#include <QTemporaryDir>

#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

namespace testsupport {

std::string MakeTempDir() {
    static std::vector<std::unique_ptr<QTemporaryDir>> dirs; // removed at exit
    dirs.push_back(std::make_unique<QTemporaryDir>());
    return dirs.back()->path().toStdString() + "/";
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

} // namespace testsupport
