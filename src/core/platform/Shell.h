// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// Opening a file with the system's program for its type, and starting a program. Paths are GBK
// bytes as the program stores them. Injected so that tests see what would have been started.
class Shell {
public:
    virtual ~Shell() = default;
    // Opens the file with the program the desktop associates with its type; the result is a hint.
    virtual bool OpenByFileType(const std::string& path) = 0;
    // Starts `program` with `argument` as its one argument, without a shell; false when it could
    // not be started.
    virtual bool StartProgram(const std::string& program, const std::string& argument) = 0;
    // Whether `path` names a program that could be started: an executable file.
    virtual bool IsProgram(const std::string& path) = 0;
};
