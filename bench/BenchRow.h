// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One row of bench/run's table: the measured figure, its target and whether it holds. bench/run
// collects these lines (they begin with "ROW") from every benchmark and adds the command.
#include <cstdarg>
#include <cstdio>
#include <string>

namespace bench {

inline std::string Format(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

inline void PrintRow(const char* row, const std::string& figure, const std::string& target, bool holds) {
    std::printf("ROW\t%s\t%s\t%s\t%s\n", row, figure.c_str(), target.c_str(), holds ? "yes" : "NO");
    std::fflush(stdout);
}

} // namespace bench
