// SPDX-License-Identifier: GPL-3.0-or-later
#include "fax/FaxFileWriter.h"

bool FaxFileWriter::Convert(const std::string&, const std::string&) {
    return false;
}
