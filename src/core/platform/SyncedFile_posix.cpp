// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/platform/SyncedFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

SyncedFile::~SyncedFile() {
    Close();
}

bool SyncedFile::OpenExisting(const std::string& path) {
    Close();
    m_fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    return m_fd >= 0;
}

bool SyncedFile::CreateNew(const std::string& path) {
    Close();
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    return m_fd >= 0;
}

bool SyncedFile::Append(const void* data, size_t count) {
    const char* bytes = static_cast<const char*>(data);
    while (count > 0) {
        const ssize_t written = ::write(m_fd, bytes, count);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes += written;
        count -= static_cast<size_t>(written);
    }
    return true;
}

bool SyncedFile::WriteAt(uint64_t offset, const void* data, size_t count) {
    const char* bytes = static_cast<const char*>(data);
    while (count > 0) {
        const ssize_t written = ::pwrite(m_fd, bytes, count, static_cast<off_t>(offset));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes += written;
        offset += static_cast<uint64_t>(written);
        count -= static_cast<size_t>(written);
    }
    return true;
}

bool SyncedFile::CopyPermissionsOf(const std::string& path) {
    struct stat old {};
    return ::stat(path.c_str(), &old) != 0 || ::fchmod(m_fd, old.st_mode & 07777) == 0;
}

bool SyncedFile::Sync() {
    return ::fdatasync(m_fd) == 0;
}

bool SyncedFile::Close() {
    if (m_fd < 0)
        return true;
    const int fd = m_fd;
    m_fd = -1;
    return ::close(fd) == 0;
}

void SyncDirectory(const std::string& path) {
    const int dir = ::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}
