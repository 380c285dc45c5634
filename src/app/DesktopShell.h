// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/platform/Shell.h"

// The desktop's shell: opening a file with the program associated with its type, starting a
// program without a command interpreter. Paths arrive as GBK bytes (as RERAVA.INI holds them) and
// become file names here, the one place where they do (DesktopShell_<os>.cpp).
class DesktopShell final : public Shell {
public:
    bool OpenByFileType(const std::string& path) override;
    bool StartProgram(const std::string& program, const std::string& argument) override;
    bool IsProgram(const std::string& path) override;
};
