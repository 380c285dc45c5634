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
    // A name taken is a rare coincidence or somebody else's doing: a few more random ones, then
    // give up rather than walk on for ever.
    for (int attempt = 0; attempt < 16; ++attempt) {
        char name[24];
        std::snprintf(name, sizeof name, "%016llX",
                      static_cast<unsigned long long>(QRandomGenerator::global()->generate64()));
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
