// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/platform/DurableFile.h"

#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

DurableFile::DurableFile(std::string path) : m_path(std::move(path)) {}

DurableFile::~DurableFile() {
    Cancel();
}

void DurableFile::Fail(const char* step) {
    if (!m_failed)
        m_error = std::string(step) + ": " + std::strerror(errno);
    m_failed = true;
}

bool DurableFile::Open() {
    Cancel();
    m_failed = false;
    m_error.clear();
    // Beside the target, so that the rename stays within one file system; a dot name so that a
    // listing of the directory does not show it while it exists.
    const size_t slash = m_path.rfind('/');
    const std::string directory = slash == std::string::npos ? std::string() : m_path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? m_path : m_path.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, ".%08x", QRandomGenerator::global()->generate());
        m_temporary = directory + "." + base + suffix;
        m_fd = ::open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (m_fd >= 0)
            return true;
        if (errno != EEXIST)
            break;
    }
    Fail("open");
    m_temporary.clear();
    return false;
}

bool DurableFile::Write(const char* data, size_t count) {
    if (m_fd < 0 || m_failed)
        return false;
    while (count > 0) {
        const ssize_t written = ::write(m_fd, data, count);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            Fail("write");
            return false;
        }
        data += written;
        count -= static_cast<size_t>(written);
    }
    return true;
}

bool DurableFile::Commit() {
    if (m_fd < 0 || m_failed) {
        Cancel();
        return false;
    }
    // The target's permissions go to the new file before it takes the target's place.
    struct stat old {};
    if (::stat(m_path.c_str(), &old) == 0 && ::fchmod(m_fd, old.st_mode & 07777) != 0)
        Fail("fchmod");
    // A full disk may show only here, when the file system allocates the blocks.
    if (!m_failed && ::fsync(m_fd) != 0)
        Fail("fsync");
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && !m_failed)
        Fail("close");
    if (!m_failed && ::rename(m_temporary.c_str(), m_path.c_str()) != 0)
        Fail("rename");
    if (m_failed) {
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
        return false;
    }
    m_temporary.clear();
    // The rename itself reaches the disk with the directory. The new file is in place either way;
    // a directory that cannot be synced (some file systems refuse) changes nothing for the caller.
    const size_t slash = m_path.rfind('/');
    const std::string directory = slash == std::string::npos ? std::string(".") : m_path.substr(0, slash + 1);
    const int dir = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

void DurableFile::Cancel() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.empty()) {
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
    }
}
