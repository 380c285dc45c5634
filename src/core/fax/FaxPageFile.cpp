// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/fax/FaxPageFile.h"

#include <algorithm>

#include <cmath>
#include <fstream>
#include <set>

namespace {

// TIFF tags and values this reader looks at.
enum Tag : uint16_t {
    kImageWidth = 256,
    kImageLength = 257,
    kBitsPerSample = 258,
    kCompression = 259,
    kPhotometric = 262,
    kFillOrder = 266,
    kStripOffsets = 273,
    kSamplesPerPixel = 277,
    kStripByteCounts = 279,
    kXResolution = 282,
    kYResolution = 283,
    kT4Options = 292,
    kResolutionUnit = 296,
};
constexpr uint32_t kCompressionT4 = 3;
constexpr uint32_t kT4TwoDimensional = 1;
constexpr uint32_t kT4Uncompressed = 2;
constexpr uint32_t kT4FillBits = 4;
constexpr uint32_t kResolutionCentimetre = 3;
// What a fax page file without resolution fields is taken to be: fine resolution.
constexpr double kDefaultResolution = 200.0;

class Reader {
public:
    Reader(const std::string& data, bool bigEndian) : m_data(data), m_bigEndian(bigEndian) {}

    bool Has(uint64_t offset, uint64_t length) const {
        return offset <= m_data.size() && length <= m_data.size() - offset;
    }
    uint16_t U16(uint64_t at) const {
        const auto b0 = Byte(at), b1 = Byte(at + 1);
        return static_cast<uint16_t>(m_bigEndian ? b0 << 8 | b1 : b1 << 8 | b0);
    }
    uint32_t U32(uint64_t at) const {
        const uint32_t lo = U16(at), hi = U16(at + 2);
        return m_bigEndian ? lo << 16 | hi : hi << 16 | lo;
    }

    uint32_t Byte(uint64_t at) const { return static_cast<uint8_t>(m_data[at]); }

private:
    const std::string& m_data;
    bool m_bigEndian;
};

struct Entry {
    uint16_t type = 0;
    uint32_t count = 0;
    uint64_t valueAt = 0; // where the values lie: in the entry itself or at its offset
};

uint32_t TypeSize(uint16_t type) {
    switch (type) {
    case 1: // BYTE
    case 2: // ASCII
    case 6: // SBYTE
    case 7: // UNDEFINED
        return 1;
    case 3: // SHORT
    case 8: // SSHORT
        return 2;
    case 4:  // LONG
    case 9:  // SLONG
    case 11: // FLOAT
    case 13: // IFD
        return 4;
    case 5:  // RATIONAL
    case 10: // SRATIONAL
    case 12: // DOUBLE
        return 8;
    default:
        return 0;
    }
}

// The whole numbers of a BYTE, SHORT or LONG field; false when the field has another type or its
// values lie outside the file.
bool Numbers(const Reader& in, const Entry& e, std::vector<uint32_t>& out) {
    const uint32_t size = TypeSize(e.type);
    if (e.type != 1 && e.type != 3 && e.type != 4) {
        return false;
    }
    if (!in.Has(e.valueAt, uint64_t{e.count} * size)) {
        return false;
    }
    out.clear();
    out.reserve(e.count);
    for (uint32_t i = 0; i < e.count; ++i) {
        const uint64_t at = e.valueAt + uint64_t{i} * size;
        out.push_back(size == 4 ? in.U32(at) : size == 2 ? in.U16(at) : in.Byte(at));
    }
    return true;
}

bool Number(const Reader& in, const Entry& e, uint32_t& out) {
    std::vector<uint32_t> values;
    if (!Numbers(in, e, values) || values.size() != 1) {
        return false;
    }
    out = values[0];
    return true;
}

// A RATIONAL field's value, or a whole number given as SHORT or LONG; 0 when it cannot be read.
double Ratio(const Reader& in, const Entry& e) {
    if (e.type == 5 && e.count == 1 && in.Has(e.valueAt, 8)) {
        const uint32_t denominator = in.U32(e.valueAt + 4);
        return denominator == 0 ? 0.0 : static_cast<double>(in.U32(e.valueAt)) / denominator;
    }
    uint32_t whole = 0;
    return Number(in, e, whole) ? whole : 0.0;
}

bool Sane(double resolution) {
    return std::isfinite(resolution) && resolution >= 1.0 && resolution <= 100000.0;
}

} // namespace

uint64_t FaxPageFile::Page::StripBytes() const {
    uint64_t total = 0;
    for (const auto& strip : strips) {
        total += strip.second;
    }
    return total;
}

bool FaxPageFile::Read(const std::string& nativePath) {
    m_pages.clear();
    m_data.clear();
    std::ifstream file(nativePath, std::ios::binary);
    if (!file) {
        m_result = kOpenFile;
        return false;
    }
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    file.seekg(0);
    std::string data(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    if (size < 0 || !file.read(data.data(), size)) {
        m_result = kOpenFile;
        return false;
    }
    return Parse(std::move(data));
}

bool FaxPageFile::Parse(std::string data) {
    m_pages.clear();
    m_data = std::move(data);
    if (m_data.size() < 8 || !(m_data.compare(0, 2, "II") == 0 || m_data.compare(0, 2, "MM") == 0)) {
        m_result = kNotTiff;
        return false;
    }
    const Reader in(m_data, m_data[0] == 'M');
    if (in.U16(2) != 42) {
        m_result = kNotTiff;
        return false;
    }

    std::set<uint32_t> seen;
    uint32_t offset = in.U32(4);
    while (offset != 0) {
        if (m_pages.size() >= kMaxPages || !seen.insert(offset).second || !in.Has(offset, 2)) {
            m_result = kDamaged;
            return false;
        }
        const uint16_t count = in.U16(offset);
        if (!in.Has(offset, 2 + 12ull * count + 4)) {
            m_result = kDamaged;
            return false;
        }
        Entry fields[kResolutionUnit - kImageWidth + 1];
        bool present[kResolutionUnit - kImageWidth + 1] = {};
        for (uint16_t i = 0; i < count; ++i) {
            const uint64_t at = offset + 2 + 12ull * i;
            const uint16_t tag = in.U16(at);
            if (tag < kImageWidth || tag > kResolutionUnit) {
                continue;
            }
            Entry e{in.U16(at + 2), in.U32(at + 4), at + 8};
            if (uint64_t{TypeSize(e.type)} * e.count > 4) {
                e.valueAt = in.U32(at + 8);
            }
            fields[tag - kImageWidth] = e;
            present[tag - kImageWidth] = true;
        }
        const auto field = [&](Tag tag) -> const Entry* {
            return present[tag - kImageWidth] ? &fields[tag - kImageWidth] : nullptr;
        };
        // A whole number field with its default when absent; false when present but unreadable.
        const auto number = [&](Tag tag, uint32_t fallback, uint32_t& out) {
            out = fallback;
            return field(tag) == nullptr || Number(in, *field(tag), out);
        };

        Page page;
        uint32_t compression = 0, photometric = 0, bits = 0, samples = 0, fillOrder = 0, t4 = 0, unit = 0;
        std::vector<uint32_t> offsets, counts;
        if (field(kImageWidth) == nullptr || field(kImageLength) == nullptr || field(kStripOffsets) == nullptr ||
            field(kStripByteCounts) == nullptr || !Number(in, *field(kImageWidth), page.width) ||
            !Number(in, *field(kImageLength), page.rows) || !Numbers(in, *field(kStripOffsets), offsets) ||
            !Numbers(in, *field(kStripByteCounts), counts) || offsets.size() != counts.size() || offsets.empty() ||
            !number(kCompression, 1, compression) || !number(kPhotometric, 0, photometric) ||
            !number(kBitsPerSample, 1, bits) || !number(kSamplesPerPixel, 1, samples) ||
            !number(kFillOrder, 1, fillOrder) || !number(kT4Options, 0, t4) || !number(kResolutionUnit, 2, unit)) {
            m_result = kDamaged;
            return false;
        }
        if (compression != kCompressionT4 || photometric > 1 || bits != 1 || samples != 1 || fillOrder < 1 ||
            fillOrder > 2 || (t4 & (kT4TwoDimensional | kT4Uncompressed)) != 0 || page.width == 0) {
            m_result = kUnsupported;
            return false;
        }
        if (page.width > kMaxWidth || page.rows > kMaxRows) {
            m_result = kDamaged;
            return false;
        }
        for (size_t i = 0; i < offsets.size(); ++i) {
            if (!in.Has(offsets[i], counts[i])) {
                m_result = kDamaged;
                return false;
            }
            page.strips.emplace_back(offsets[i], counts[i]);
        }
        page.byteAligned = (t4 & kT4FillBits) != 0;
        page.lsbFirst = fillOrder == 2;
        page.blackIsZero = photometric == 1;
        const double scale = unit == kResolutionCentimetre ? 2.54 : 1.0;
        page.xResolution = field(kXResolution) ? Ratio(in, *field(kXResolution)) * scale : 0.0;
        page.yResolution = field(kYResolution) ? Ratio(in, *field(kYResolution)) * scale : 0.0;
        if (!Sane(page.xResolution)) {
            page.xResolution = kDefaultResolution;
        }
        if (!Sane(page.yResolution)) {
            page.yResolution = page.xResolution;
        }
        m_pages.push_back(std::move(page));
        offset = in.U32(offset + 2 + 12ull * count);
    }
    // No byte of the file is two strips' (or one strip's twice): the strips of all pages together
    // are never more than the file, so a file of strips that each cover the whole of it, or pages
    // that share one, cannot make an export many times its size.
    std::vector<std::pair<uint64_t, uint64_t>> spans;
    for (const Page& page : m_pages)
        for (const auto& [from, count] : page.strips)
            if (count > 0)
                spans.emplace_back(from, uint64_t{from} + count);
    std::sort(spans.begin(), spans.end());
    for (size_t i = 1; i < spans.size(); ++i) {
        if (spans[i].first < spans[i - 1].second) {
            m_result = kDamaged;
            return false;
        }
    }
    m_result = m_pages.empty() ? kNoPages : kOk;
    return m_result == kOk;
}

std::string FaxPageFile::PageData(size_t page) const {
    std::string out;
    out.reserve(m_pages.at(page).StripBytes());
    for (const auto& [offset, length] : m_pages.at(page).strips) {
        out.append(m_data, offset, length);
    }
    if (m_pages.at(page).lsbFirst) {
        for (char& c : out) {
            auto b = static_cast<uint8_t>(c);
            b = static_cast<uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
            b = static_cast<uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
            b = static_cast<uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
            c = static_cast<char>(b);
        }
    }
    return out;
}
