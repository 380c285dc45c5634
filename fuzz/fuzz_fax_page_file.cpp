// SPDX-License-Identifier: GPL-3.0-or-later
// A page file to export may be anything a user put in the program directory: any bytes must give a
// result code, never a crash or a hang, and the pages of a file reported as readable must have
// their strips inside the file.
#include "core/fax/FaxPageFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FaxPageFile file;
    if (file.Parse(std::string(reinterpret_cast<const char*>(data), size))) {
        for (size_t page = 0; page < file.m_pages.size(); ++page) {
            if (file.PageData(page).size() != file.m_pages[page].StripBytes()) {
                std::abort();
            }
        }
    }
    return 0;
}
