// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/modem/ModemLink.h"
#include "core/platform/PortMap.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// Helpers shared by the tests.
namespace testsupport {
// A fresh empty directory under the system's temporary directory, removed when the process ends.
std::string MakeTempDir();
// Whole file as bytes; empty when it cannot be read.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
// Directories (pages) in a TIFF file, as libtiff's own tool counts them; -1 when it cannot read
// the file. `path` is handed on byte for byte, so a native GBK path works too.
int TiffPages(const std::string& path);
// Writes a fax page file at `tiffPath` as the retrieval would: the T.4 test pages named (files
// tests/data/pages/NAME.g3) captured at fine or normal resolution and converted by FaxFileWriter.
// False when the writer fails.
bool MakeFaxPageFile(const std::string& tiffPath, bool fine, const std::vector<std::string>& pages);

// A page file put together by hand, as a hostile one may be: `data` behind the 8-byte header, then
// one directory per page (T.4, one bit, white is zero, 200 by 200 per inch) with its size and its
// strips, each an offset and a byte count into the file as they stand.
struct CraftedPage {
    uint32_t width = 1728;
    uint32_t rows = 1;
    std::vector<std::pair<uint32_t, uint32_t>> strips;
};
std::string CraftedTiff(const std::string& data, const std::vector<CraftedPage>& pages);

// A small tmpfs of `size` ("24k") mounted at `at` (created), in a mount namespace of this process
// only, so that nothing is left mounted however the test ends: a file system to fill. Empty when
// mounting is not possible (not root, no namespaces); the reason then goes to `why`.
std::string MountSmallFileSystem(const std::string& at, const std::string& size, std::string& why);
// Fills the file system of `directory` to the last byte with a file "filler" in it.
void FillFileSystem(const std::string& directory);

// A fixed list of "found" serial ports in place of the system's.
class FixedPortLister final : public PortLister {
public:
    explicit FixedPortLister(std::vector<FoundPort> ports) : m_ports(std::move(ports)) {}
    std::vector<FoundPort> List() const override { return m_ports; }

private:
    std::vector<FoundPort> m_ports;
};
// No serial port found: COM1 and COM2 are only what RERAVA.INI names, so that no test ever probes
// a real port of the machine it runs on.
inline std::shared_ptr<const PortLister> NoFoundPorts() {
    return std::make_shared<FixedPortLister>(std::vector<FoundPort>{});
}
// Page data as the modem link hands it over, kept in memory; with `refuse` every append fails, as
// a full disk would.
struct PageBytes final : PageSink {
    bool Append(const char* data, size_t count) override {
        if (refuse)
            return false;
        bytes.append(data, count);
        return true;
    }
    std::string bytes;
    bool refuse = false;
};

} // namespace testsupport
