// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/platform/MappedFile.h"

#include <sys/mman.h>

bool MappedFile::Map(std::FILE* file, size_t length) {
    Unmap();
    if (length == 0) {
        return false;
    }
    int flags = MAP_PRIVATE;
#ifdef MAP_POPULATE
    flags |= MAP_POPULATE; // every page at once: one call instead of a fault per page
#endif
    void* data = mmap(nullptr, length, PROT_READ, flags, fileno(file), 0);
    if (data == MAP_FAILED) {
        return false;
    }
    m_data = static_cast<const uint8_t*>(data);
    m_length = length;
    return true;
}

void MappedFile::Unmap() {
    if (m_data != nullptr) {
        munmap(const_cast<uint8_t*>(m_data), m_length);
        m_data = nullptr;
        m_length = 0;
    }
}
