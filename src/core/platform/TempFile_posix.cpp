// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/platform/TempFile.h"

#include <QDir>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace tempfile {

std::string TempDirectory() {
    std::string dir = QDir::tempPath().toStdString();
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

std::string CreateUnique(const std::string& directory, const std::string& prefix) {
    // Four hex digits give 65535 names (0 is never used); start at a random one and walk on.
    const unsigned start = QRandomGenerator::global()->bounded(1u, 0x10000u);
    for (unsigned i = 0; i < 0xFFFF; ++i) {
        unsigned n = (start + i - 1) % 0xFFFF + 1;
        char name[16];
        std::snprintf(name, sizeof name, "%04X", n);
        std::string path = directory + prefix + name + ".TMP";
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST)
            return {};
    }
    return {};
}

} // namespace tempfile
