// SPDX-License-Identifier: GPL-3.0-or-later
// What the fuzz targets share: a private scratch directory and checks that name their line.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace fuzzsupport {

// A private directory for the files of each run, in memory where there is /dev/shm: the targets
// create and replace their files every time, which costs far more on a disk. Removed with all it
// holds when the target ends.
inline const std::string& Dir() {
    // Never destroyed: the exit handler that removes the directory runs after static destructors.
    static const std::string* const dir = [] {
        char shm[] = "/dev/shm/faxdesk-fuzz-XXXXXX";
        char tmp[] = "/tmp/faxdesk-fuzz-XXXXXX";
        const char* made = mkdtemp(shm);
        if (made == nullptr)
            made = mkdtemp(tmp);
        if (made == nullptr)
            std::abort();
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(Dir(), ignored);
        });
        return new std::string(made);
    }();
    return *dir;
}

// Names the failed check's file and line before the abort, so that a finding says which property
// broke.
inline void Check(bool ok, const char* file = __builtin_FILE(), int line = __builtin_LINE()) {
    if (!ok) {
        std::fprintf(stderr, "%s: the check on line %d failed\n", file, line);
        std::abort();
    }
}

} // namespace fuzzsupport
