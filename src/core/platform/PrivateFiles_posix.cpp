// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/platform/PrivateFiles.h"

#include <sys/stat.h>

void KeepNewFilesPrivate() {
    // The mode each creating call asks for (0666 for files, 0777 for folders) less the group's and
    // the others' bits.
    ::umask(077);
}
