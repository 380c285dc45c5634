// SPDX-License-Identifier: GPL-3.0-or-later
// faxdesk-convert: the fax page file writer as one process, capture file in, TIFF file out, so that
// it can be timed side by side with libtiff's fax2tiff, which is a process of its own too.
//
// usage: faxdesk-convert CAPTURE TIFF
#include "core/fax/FaxFileWriter.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: faxdesk-convert CAPTURE TIFF\n");
        return 2;
    }
    FaxFileWriter writer;
    if (!writer.Convert(argv[1], argv[2])) {
        std::fprintf(stderr, "faxdesk-convert: Convert failed: result %d, detail %d\n", writer.LastResult(),
                     writer.LastDetail());
        return 1;
    }
    return 0;
}
