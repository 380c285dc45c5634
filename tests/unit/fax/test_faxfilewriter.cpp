// SPDX-License-Identifier: GPL-3.0-or-later
// The fax page file writer against libtiff's own tools and netpbm: every file it writes must be read
// by tiffinfo/tiffcp/tifftopnm without complaint and decode to the page images pixel for pixel; the
// byte layout, the re-coding corner cases and every failure code are checked on hand-made captures.
#include "core/fax/CaptureFile.h"
#include "core/fax/FaxFileWriter.h"
#include "core/fax/MhLine.h"
#include "sim/QuorraModem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

using testsupport::MakeTempDir;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

const std::string kPages = std::string(FAXDESK_TEST_DATA_DIR) + "/pages/";

// The DCS text of a fine-resolution call as the answer report gives it ("1" first: fine).
constexpr const char* kFineDcs = "1,3,0,2,0,0,0,0";
constexpr const char* kNormalDcs = "0,3,0,2,0,0,0,0";

void PutLe32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        s[at + i] = static_cast<char>(v >> (8 * i));
    }
}

uint32_t Le32(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) {
        v = v << 8 | static_cast<uint8_t>(s[at + i]);
    }
    return v;
}

uint16_t Le16(const std::string& s, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8);
}

// A capture file as the retrieval writes it: 132-byte header, then the page data as it stands.
std::string CaptureOfData(const std::string& dcs, int pageCount, const std::string& data) {
    std::string capture(132, '\0');
    capture.replace(0, 2, "G3");
    capture.replace(3, std::min<size_t>(dcs.size(), 16), dcs.substr(0, 16));
    capture.replace(19, 8, "86123456");
    capture[40] = static_cast<char>(pageCount);
    PutLe32(capture, 128, static_cast<uint32_t>(data.size()));
    return capture + data;
}

// Each page as the modem plays it back: its T.4 data with the RTC, then the DLE that CaptureData
// keeps of the closing DLE ETX.
std::string CaptureOfPages(const std::string& dcs, const std::vector<std::string>& pages) {
    std::string data;
    for (const auto& page : pages) {
        data += page + '\x10';
    }
    return CaptureOfData(dcs, static_cast<int>(pages.size()), data);
}

std::string Page(const std::string& name) {
    return ReadFile(kPages + name + ".g3");
}

// "0000 0000 0001 ..." -> bytes, most significant bit first, the last byte padded with zeros.
std::string Bits(const std::string& text) {
    std::string out;
    int n = 0;
    uint8_t byte = 0;
    for (char c : text) {
        if (c != '0' && c != '1') {
            continue;
        }
        byte = static_cast<uint8_t>(byte << 1 | (c == '1'));
        if (++n == 8) {
            out += static_cast<char>(byte);
            n = 0;
            byte = 0;
        }
    }
    if (n != 0) {
        out += static_cast<char>(byte << (8 - n));
    }
    return out;
}

std::string Hex(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += {digits[c >> 4], digits[c & 15], ' '};
    }
    return out;
}

const std::string kEol = "000000000001";
const std::string kWhiteLine = "010011011 00110101"; // white makeup 1728 + white terminating 0
const std::string kRtc = kEol + kEol + kEol + kEol + kEol + kEol;

struct Entry {
    uint16_t tag, type;
    uint32_t count, value;
};

struct Directory {
    uint32_t offset;
    std::vector<Entry> entries;
    uint32_t next;
    uint32_t Value(uint16_t tag) const {
        for (const auto& e : entries) {
            if (e.tag == tag) {
                return e.value;
            }
        }
        ADD_FAILURE() << "no tag " << tag;
        return 0;
    }
    std::string Strip(const std::string& tiff) const { return tiff.substr(Value(273), Value(279)); }
};

// Walks the directory chain of one of our files (little-endian, as written).
std::vector<Directory> Directories(const std::string& tiff) {
    std::vector<Directory> dirs;
    uint32_t offset = Le32(tiff, 4);
    while (offset != 0 && offset + 6 <= tiff.size() && dirs.size() < 300) {
        Directory d{offset, {}, 0};
        const uint16_t count = Le16(tiff, offset);
        for (uint16_t i = 0; i < count; ++i) {
            const size_t e = offset + 2 + 12 * i;
            d.entries.push_back({Le16(tiff, e), Le16(tiff, e + 2), Le32(tiff, e + 4), Le32(tiff, e + 8)});
        }
        d.next = Le32(tiff, offset + 2 + 12 * count);
        offset = d.next;
        dirs.push_back(d);
    }
    return dirs;
}

struct ToolRun {
    int status;
    std::string out, err;
};

ToolRun Tool(const std::string& command) {
    static int serial = 0;
    const std::string base = MakeTempDir() + "tool" + std::to_string(++serial);
    const int status = std::system((command + " >" + base + ".out 2>" + base + ".err").c_str());
    return {status, ReadFile(base + ".out"), ReadFile(base + ".err")};
}

// Every line on stderr is a complaint, but tifftopnm's note of what it writes.
std::string Complaints(const std::string& err) {
    std::istringstream lines(err);
    std::string line, rest;
    while (std::getline(lines, line)) {
        if (line.rfind("tifftopnm: writing ", 0) != 0) {
            rest += line + "\n";
        }
    }
    return rest;
}

struct Image {
    int width = 0, height = 0;
    std::string bits;
};

Image ParsePbm(const std::string& pbm) {
    Image image;
    std::istringstream in(pbm);
    std::string magic;
    in >> magic >> image.width >> image.height;
    in.get();
    if (magic != "P4") {
        return {};
    }
    image.bits = pbm.substr(static_cast<size_t>(in.tellg()));
    return image;
}

Image SourceImage(const std::string& name) {
    return ParsePbm(Tool("gzip -dc " + kPages + name + ".pbm.gz").out);
}

// Converts, then holds libtiff's view of the result against the source images.
void ExpectLibtiffReadsPages(const std::string& tiffPath, const std::vector<std::string>& names, uint32_t yResolution) {
    const ToolRun info = Tool("tiffinfo " + tiffPath);
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(Complaints(info.err), "");
    for (size_t i = 0; i < names.size(); ++i) {
        const Image source = SourceImage(names[i]);
        ASSERT_EQ(source.width, 1728) << names[i];
        const std::string dir = "=== TIFF directory " + std::to_string(i) + " ===";
        const size_t at = info.out.find(dir);
        ASSERT_NE(at, std::string::npos) << dir;
        const std::string block = info.out.substr(at, info.out.find("=== TIFF", at + 1) - at);
        for (const std::string& line :
             {"Image Width: 1728 Image Length: " + std::to_string(source.height),
              "Resolution: 200, " + std::to_string(yResolution) + " pixels/inch", std::string("Bits/Sample: 1"),
              std::string("Compression Scheme: CCITT Group 3"), std::string("Photometric Interpretation: min-is-white"),
              std::string("FillOrder: msb-to-lsb"), std::string("Samples/Pixel: 1"),
              "Rows/Strip: " + std::to_string(source.height), std::string("Group 3 Options: EOL padding (4 = 0x4)"),
              std::string(names.size() > 1 ? "Subfile Type: multi-page document (2 = 0x2)"
                                           : "Subfile Type: (0 = 0x0)")}) {
            EXPECT_NE(block.find(line), std::string::npos) << names[i] << ": no \"" << line << "\" in\n" << block;
        }
    }
    EXPECT_EQ(info.out.find("=== TIFF directory " + std::to_string(names.size())), std::string::npos);

    // Decoding every strip: tiffinfo -D and tiffcp to uncompressed run libtiff's T.4 decoder.
    const ToolRun decode = Tool("tiffinfo -D " + tiffPath);
    EXPECT_EQ(decode.status, 0);
    EXPECT_EQ(Complaints(decode.err), "");
    const std::string plain = MakeTempDir() + "plain.tif";
    const ToolRun copy = Tool("tiffcp -c none " + tiffPath + " " + plain);
    EXPECT_EQ(copy.status, 0);
    EXPECT_EQ(Complaints(copy.err), "");

    // Pixel for pixel: each page split out and decoded by netpbm's tifftopnm (on libtiff).
    const std::string prefix = MakeTempDir() + "page";
    ASSERT_EQ(Tool("tiffsplit " + tiffPath + " " + prefix).status, 0);
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string part = prefix + "a" + static_cast<char>('a' + i / 26) + static_cast<char>('a' + i % 26);
        const ToolRun pnm = Tool("tifftopnm " + part + ".tif");
        EXPECT_EQ(pnm.status, 0);
        EXPECT_EQ(Complaints(pnm.err), "") << names[i];
        const Image decoded = ParsePbm(pnm.out);
        const Image source = SourceImage(names[i]);
        EXPECT_EQ(decoded.width, source.width) << names[i];
        EXPECT_EQ(decoded.height, source.height) << names[i];
        EXPECT_TRUE(decoded.bits == source.bits) << names[i] << ": pixels differ";
    }
}

// One page per coder and way of ending a page (tests/data/pages/make-pages.sh): ghostscript with an
// RTC without fill, pbmtog3 with seven EOLs, pbmtog3 -align8/-align16 with fill between all of
// them, efix with fill before the last one, ghostscript aligned with fill before the first.
const std::vector<std::string> kAllPages = {"text-fine",        "text-normal-fill", "nearly-blank-fill",
                                            "checker",          "black-line",       "black-line-fill",
                                            "text-normal-efix", "checker-efix",     "nearly-blank-gs"};

} // namespace

// ---- Real pages from ghostscript, pbmtog3 and efix ------------------------------------------------

// A page as another sender might send it: junk in front of the first EOL (the tail of what came
// before, line noise) and a random amount of fill in front of every EOL, the RTC's included.
std::string WithJunkAndFill(const std::string& page, std::mt19937& random) {
    std::string bits = "1"; // the junk starts with a one, so that no EOL forms with what precedes it
    for (int i = std::uniform_int_distribution<int>(0, 40)(random), zeros = 0; i > 0; --i) {
        const bool one = zeros == 6 || random() % 2 == 0;
        zeros = one ? 0 : zeros + 1;
        bits += one ? '1' : '0';
    }
    int zeros = 0;
    for (unsigned char c : page) {
        for (int i = 7; i >= 0; --i) {
            const bool one = (c >> i & 1) != 0;
            if (one && zeros >= 11) {
                bits += std::string(std::uniform_int_distribution<size_t>(0, 20)(random), '0');
            }
            zeros = one ? 0 : zeros + 1;
            bits += one ? '1' : '0';
        }
    }
    return Bits(bits);
}

// A capture as the read writes it (CaptureFile): each page's data, the DLE of the modem's DLE ETX
// behind it, and the page table that says where each page ended.
std::string CaptureWithTable(const std::string& dir, const std::string& dcs, const std::vector<std::string>& pages) {
    CaptureFile capture;
    EXPECT_TRUE(capture.Create(dir, dcs, "86123456"));
    for (const std::string& page : pages) {
        const std::string data = page + '\x10';
        EXPECT_TRUE(capture.Append(data.data(), data.size()));
        EXPECT_TRUE(capture.EndPage(true));
    }
    EXPECT_TRUE(capture.Finish(static_cast<int>(pages.size())));
    return capture.Path();
}

// How a table row's pages reach the writer.
enum class Sent {
    AsCoded,     // as their coder wrote them
    JunkAndFill, // junk before the first EOL and random fill before every EOL (WithJunkAndFill)
    WithoutRtc,  // without their RTC, as a sender that stops at its data's end sends them
};
enum class Ended {
    ByTheModem,     // each page followed by the DLE of DLE ETX, the page count in the header
    InThePageTable, // as the read writes the capture: with the page table behind the pages
    NothingBetween, // the pages' data one after the other (a capture put together by another tool)
};

struct ConvertCase {
    std::string name;
    std::vector<std::string> pages; // test pages, in order
    Sent sent;
    Ended ended;
    bool fine;
};

class FaxFileWriterCoders : public testing::TestWithParam<ConvertCase> {};

// Converted, every page is read by libtiff as its source image, pixel for pixel: the bit reader
// runs on from one page into the next however each coder ended it, and nothing of a page leaks into
// the next.
TEST_P(FaxFileWriterCoders, EachPageIsReadByLibtiffAsItsSourceImage) {
    const ConvertCase& c = GetParam();
    std::mt19937 random(13);
    std::vector<std::string> pages;
    for (const std::string& name : c.pages) {
        const std::string page = Page(name);
        pages.push_back(c.sent == Sent::WithoutRtc                         ? quorra::WithoutRtc(page)
                        : c.sent == Sent::JunkAndFill && random() % 3 != 0 ? WithJunkAndFill(page, random)
                                                                           : page);
    }
    const std::string dcs = c.fine ? kFineDcs : kNormalDcs;
    const std::string dir = MakeTempDir();
    std::string capture = dir + "in.cap";
    if (c.ended == Ended::InThePageTable) {
        capture = CaptureWithTable(dir, dcs, pages);
    } else if (c.ended == Ended::ByTheModem) {
        WriteFile(capture, CaptureOfPages(dcs, pages));
    } else {
        std::string data;
        for (const std::string& page : pages)
            data += page;
        WriteFile(capture, CaptureOfData(dcs, static_cast<int>(pages.size()), data));
    }
    FaxFileWriter writer;
    ASSERT_TRUE(writer.Convert(capture, dir + "out.tif"));
    EXPECT_EQ(writer.LastResult(), FaxFileWriter::kOk);
    if (c.sent != Sent::WithoutRtc) {
        EXPECT_EQ(writer.LastDetail(), 0) << "every page ended by its RTC";
    }
    EXPECT_EQ(writer.PagesWritten(), pages.size());
    ExpectLibtiffReadsPages(dir + "out.tif", c.pages, c.fine ? 200 : 100);
}

// `count` test pages, every coder's in turn from `first` on, `step` apart.
std::vector<std::string> Cycle(size_t count, size_t first, size_t step) {
    std::vector<std::string> names;
    for (size_t i = 0; i < count; ++i)
        names.push_back(kAllPages[(first + i * step) % kAllPages.size()]);
    return names;
}

std::vector<ConvertCase> ConvertCases() {
    std::vector<ConvertCase> cases;
    for (const std::string& name : kAllPages) {
        std::string row = "Alone_" + name;
        std::replace(row.begin(), row.end(), '-', '_');
        cases.push_back({row, {name}, Sent::AsCoded, Ended::ByTheModem, false});
    }
    std::vector<std::string> many = kAllPages;
    many.insert(many.end(), {"text-fine", "checker"});
    cases.push_back({"EveryCoderOneAfterTheOther", many, Sent::AsCoded, Ended::ByTheModem, true});
    for (const size_t count : {1u, 3u, 20u})
        cases.push_back({"JunkAndFill_" + std::to_string(count) + "Pages", Cycle(count, count, 4), Sent::JunkAndFill,
                         Ended::ByTheModem, false});
    // Without an RTC, pages stay apart where the modem ended them: three stay three, forty forty.
    for (const size_t count : {3u, 20u, 40u})
        cases.push_back({"WithoutRtc_" + std::to_string(count) + "Pages", Cycle(count, count, 5), Sent::WithoutRtc,
                         Ended::InThePageTable, false});
    // With nothing between them each page keeps its first line, however its sender ended the page
    // before.
    std::vector<std::string> run = kAllPages;
    run.insert(run.end(), {"checker", "text-normal-fill", "black-line"});
    cases.push_back({"NothingBetweenThePages", run, Sent::AsCoded, Ended::NothingBetween, false});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(, FaxFileWriterCoders, testing::ValuesIn(ConvertCases()),
                         [](const testing::TestParamInfo<ConvertCase>& row) { return row.param.name; });

// A page cut off in the middle of a line (the line went, the modem gave up): the lines that came
// whole are the page, the cut one goes; libtiff reads it without a warning. A whole last line that
// no EOL follows (a sender that stops at its data's end) stays.
TEST(FaxFileWriterPages, ALineCutOffGoesAndAWholeLastLineStays) {
    const std::string page = Page("text-fine");
    const std::string whole = quorra::WithoutRtc(page);
    // Without its last EOL: the last line ends where the data ends.
    std::string bits;
    for (unsigned char c : whole)
        for (int i = 7; i >= 0; --i)
            bits += static_cast<char>('0' + (c >> i & 1));
    const std::string lastLineBare = Bits(bits.substr(0, bits.rfind('1') - 11));
    for (const auto& [what, data, rows] : std::vector<std::tuple<std::string, std::string, int>>{
             {"cut in a line", page.substr(0, 20000), -1}, {"last line without EOL", lastLineBare, 0}}) {
        SCOPED_TRACE(what);
        const std::string dir = MakeTempDir();
        const std::string capture = CaptureWithTable(dir, kFineDcs, {Page("checker"), data});
        FaxFileWriter writer;
        ASSERT_TRUE(writer.Convert(capture, dir + "out.tif"));
        const ToolRun decode = Tool("tiffinfo -D " + dir + "out.tif");
        EXPECT_EQ(decode.status, 0);
        EXPECT_EQ(Complaints(decode.err), "");
        const std::string prefix = dir + "page";
        ASSERT_EQ(Tool("tiffsplit " + dir + "out.tif " + prefix).status, 0);
        const ToolRun pnm = Tool("tifftopnm " + prefix + "aab.tif");
        EXPECT_EQ(Complaints(pnm.err), "");
        const Image decoded = ParsePbm(pnm.out);
        const Image source = SourceImage("text-fine");
        ASSERT_EQ(decoded.width, 1728);
        const size_t rowBytes = 1728 / 8;
        if (rows == 0) {
            EXPECT_EQ(decoded.height, source.height);
        } else {
            EXPECT_GT(decoded.height, 100);
            EXPECT_LT(decoded.height, source.height);
        }
        EXPECT_TRUE(decoded.bits == source.bits.substr(0, rowBytes * decoded.height)) << "rows as sent";
    }
}

// A page without a single line (an RTC alone, an EOL and nothing more, no data at all) is no page
// of the file: never a directory of no rows, which libtiff refuses together with every page behind
// it. A fax of such pages only gives no file.
TEST(FaxFileWriterPages, APageWithoutALineIsLeftOut) {
    for (const std::string& data :
         {std::string("\x00\x10\x01\x00\x10\x01\x00\x10\x01", 9), std::string("\x00\x10", 2)}) {
        const std::string dir = MakeTempDir();
        WriteFile(dir + "in.cap", CaptureOfData(kFineDcs, 1, data));
        FaxFileWriter writer;
        EXPECT_FALSE(writer.Convert(dir + "in.cap", dir + "out.tif"));
        EXPECT_EQ(writer.LastResult(), FaxFileWriter::kDecodePage);
        EXPECT_EQ(writer.PagesWritten(), 0u);
    }

    const std::string rtcOnly =
        Bits(std::string("000000000001000000000001000000000001") + "000000000001000000000001000000000001");
    const std::string dir = MakeTempDir();
    const std::string capture =
        CaptureWithTable(dir, kNormalDcs, {rtcOnly, Page("checker"), rtcOnly, "", Page("black-line"), rtcOnly});
    FaxFileWriter writer;
    ASSERT_TRUE(writer.Convert(capture, dir + "out.tif"));
    EXPECT_EQ(writer.PagesWritten(), 2u);
    ExpectLibtiffReadsPages(dir + "out.tif", {"checker", "black-line"}, 100);
}

// ---- Line widths ------------------------------------------------------------------------------------

// Every line of every coder's pages is 1728 pixels wide to the line decoder, and a line cut short,
// a line with a wrong code, or the DLE that ends a page in the capture is not.
TEST(MhLine, EveryLineOfEveryCodersPagesIs1728AndACutOneIsNot) {
    for (const auto& name : kAllPages) {
        SCOPED_TRACE(name);
        const std::string page = Page(name);
        const auto* data = reinterpret_cast<const uint8_t*>(page.data());
        std::vector<uint64_t> eolEnds; // behind the closing one of each EOL
        for (uint64_t at = 0, zeros = 0; at < 8 * page.size(); ++at) {
            if ((data[at / 8] >> (7 - at % 8) & 1) == 0) {
                ++zeros;
                continue;
            }
            if (zeros >= 11)
                eolEnds.push_back(at + 1);
            zeros = 0;
        }
        int lines = 0;
        for (size_t i = 0; i + 1 < eolEnds.size(); ++i) {
            const uint64_t from = eolEnds[i];
            const uint64_t to = eolEnds[i + 1] - 12;
            if (to <= from || MhLineWidth(data, from, to) == 0)
                continue; // only fill between two EOLs: no line
            ++lines;
            ASSERT_EQ(MhLineWidth(data, from, to), 1728) << "line " << lines;
            if (to - from > 24) {
                EXPECT_NE(MhLineWidth(data, from, from + (to - from) / 2), 1728) << "line " << lines << " cut";
            }
        }
        EXPECT_EQ(lines, SourceImage(name).height);
    }
    const std::string dle = "\x10";
    EXPECT_NE(MhLineWidth(reinterpret_cast<const uint8_t*>(dle.data()), 0, 8), 1728);
    const std::string wrong = Bits("000000000000 0000"); // no code starts with twelve zeros
    EXPECT_EQ(MhLineWidth(reinterpret_cast<const uint8_t*>(wrong.data()), 0, 8 * wrong.size() - 1), 0);
    const std::string bad = Bits("1 00000000000 1"); // a white 7 pixels (1111 cut), then an EOL's zeros
    EXPECT_EQ(MhLineWidth(reinterpret_cast<const uint8_t*>(bad.data()), 0, 13), -1);
}

// ---- File layout --------------------------------------------------------------------------------

TEST(FaxFileWriterLayout, DirectoriesEntriesAndChainAreWhereReadersLookForThem) {
    struct Case {
        int pages;
        std::string dcs;
        uint32_t yResolution;
    };
    for (const Case& c :
         {Case{1, kFineDcs, 200}, Case{3, kNormalDcs, 100}, Case{3, "", 100}, Case{1, "2", 100}, Case{1, "10", 200}}) {
        SCOPED_TRACE(std::to_string(c.pages) + " pages, DCS \"" + c.dcs + "\"");
        const std::vector<std::string> sources = {Page("black-line"), Page("nearly-blank-fill"),
                                                  Page("black-line-fill")};
        const std::vector<std::string> pages(sources.begin(), sources.begin() + c.pages);
        const std::string dir = MakeTempDir();
        WriteFile(dir + "in.cap", CaptureOfPages(c.dcs, pages));
        FaxFileWriter writer;
        ASSERT_TRUE(writer.Convert(dir + "in.cap", dir + "out.tif"));
        const std::string tiff = ReadFile(dir + "out.tif");
        EXPECT_EQ(tiff.substr(0, 10), std::string("II\x2a\0\x0a\0\0\0\0\0", 10));

        const auto dirs = Directories(tiff);
        ASSERT_EQ(dirs.size(), static_cast<size_t>(c.pages));
        uint32_t expectedOffset = 10;
        for (const Directory& d : dirs) {
            EXPECT_EQ(d.offset, expectedOffset);
            const uint32_t p = d.offset;
            const uint32_t rows = d.Value(257);
            const uint32_t strip = d.Value(279);
            // In ascending tag order, as TIFF 6.0 requires.
            const std::vector<Entry> expected = {{254, 4, 1, c.pages > 1 ? 2u : 0u},
                                                 {256, 4, 1, 1728},
                                                 {257, 4, 1, rows},
                                                 {258, 3, 1, 1},
                                                 {259, 3, 1, 3},
                                                 {262, 3, 1, 0},
                                                 {266, 3, 1, 1},
                                                 {273, 4, 1, p + 202},
                                                 {277, 3, 1, 1},
                                                 {278, 4, 1, rows},
                                                 {279, 4, 1, strip},
                                                 {282, 5, 1, p + 186},
                                                 {283, 5, 1, p + 194},
                                                 {292, 4, 1, 4},
                                                 {296, 3, 1, 2}};
            ASSERT_EQ(d.entries.size(), expected.size());
            for (size_t i = 0; i < expected.size(); ++i) {
                EXPECT_EQ(d.entries[i].tag, expected[i].tag) << i;
                EXPECT_EQ(d.entries[i].type, expected[i].type) << i;
                EXPECT_EQ(d.entries[i].count, expected[i].count) << i;
                EXPECT_EQ(d.entries[i].value, expected[i].value) << i;
            }
            EXPECT_EQ(Le32(tiff, p + 186), 200u);
            EXPECT_EQ(Le32(tiff, p + 190), 1u);
            EXPECT_EQ(Le32(tiff, p + 194), c.yResolution);
            EXPECT_EQ(Le32(tiff, p + 198), 1u);
            expectedOffset = p + 202 + strip; // no padding, odd offsets included
        }
        EXPECT_EQ(dirs.back().next, 0u);
        EXPECT_EQ(tiff.size(), expectedOffset);
        if (c.pages == 1) {
            EXPECT_EQ(Le32(tiff, 192), 0u);
        }
    }
}

// ---- Re-coding, on pages written bit by bit ------------------------------------------------------

struct RecodeCase {
    const char* what;
    std::string data; // the whole page data of a one-page capture
    std::string strip;
    uint32_t rows;
    int32_t detail;
};

TEST(FaxFileWriterRecode, EolsAlignedFillCutRtcRemovedLinesCounted) {
    const std::string line = Bits(kEol + kWhiteLine + kRtc);
    const std::string oneLine = Bits("0000 0000 0000 0001  0100 1101 1001 1010 1000 0000"); // after the cut
    const std::vector<RecodeCase> cases = {
        {"one line and the RTC", line, oneLine, 1, 0},
        {"one line, its EOL and the RTC behind a DLE", line + '\x10', oneLine, 1, 0},
        {"noise before the first EOL is dropped", Bits("1111 0110 1" + kEol + kWhiteLine + kRtc), oneLine, 1, 0},
        {"fill zeros before EOLs are cut to 14",
         Bits(std::string(37, '0') + kEol + kWhiteLine + std::string(40, '0') + kRtc), oneLine, 1, 0},
        {"a page cut off inside a line keeps a zero byte behind it", Bits(kEol + kWhiteLine),
         Bits("0000 0000 0000 0001  0100 1101 1001 1010 1000 0000  0000 0000"), 1, 38},
        // EOLs with only fill between them are one run: the page ends at the sixth wherever the fill
        // stands, and a run makes no line, neither at the end of a page nor at its start nor inside.
        {"fill between the EOLs of the RTC",
         Bits(kEol + kWhiteLine + kEol + "0000" + kEol + kEol + kEol + kEol + kEol + "0" + kEol), oneLine, 1, 0},
        {"seven EOLs after the last line", Bits(kEol + kWhiteLine + kRtc + kEol), oneLine, 1, 0},
        {"surplus EOLs before the first line", Bits("00" + kEol + "000" + kEol + kEol + kWhiteLine + kRtc), oneLine, 1,
         0},
        {"EOLs in a row between two lines", Bits(kEol + kWhiteLine + kEol + kEol + "00" + kEol + kWhiteLine + kRtc),
         Bits("0000 0000 0000 0001  0100 1101 1001 1010 1000 0000 0000 0001  0100 1101 1001 1010 1000 0000"), 2, 0},
        {"five EOLs with fill, then the data ends", Bits(kEol + kWhiteLine + kEol + "0000" + kEol + kEol + kEol + kEol),
         oneLine + '\x01', 1, 38},
    };
    for (const RecodeCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string dir = MakeTempDir();
        WriteFile(dir + "in.cap", CaptureOfData(kFineDcs, 1, c.data));
        FaxFileWriter writer;
        ASSERT_TRUE(writer.Convert(dir + "in.cap", dir + "out.tif"));
        EXPECT_EQ(writer.LastResult(), 0);
        EXPECT_EQ(writer.LastDetail(), c.detail);
        const std::string tiff = ReadFile(dir + "out.tif");
        const auto dirs = Directories(tiff);
        ASSERT_EQ(dirs.size(), 1u);
        EXPECT_EQ(dirs[0].Value(257), c.rows);
        if (!c.strip.empty()) {
            EXPECT_EQ(Hex(dirs[0].Strip(tiff)), Hex(c.strip));
        }
    }
}

TEST(FaxFileWriterRecode, TheBitReaderRunsOnIntoAPageThatStartsInsideAByte) {
    // Two pages with no byte boundary between them, only the DLE that ends each page in a capture:
    // the second starts at bit 5.
    const std::string page = kEol + kWhiteLine + kRtc; // 101 bits
    const std::string dir = MakeTempDir();
    WriteFile(dir + "in.cap", CaptureOfData(kFineDcs, 2, Bits(page + "0001 0000" + page)));
    FaxFileWriter writer;
    ASSERT_TRUE(writer.Convert(dir + "in.cap", dir + "out.tif"));
    const std::string tiff = ReadFile(dir + "out.tif");
    const auto dirs = Directories(tiff);
    ASSERT_EQ(dirs.size(), 2u);
    for (const auto& d : dirs) {
        EXPECT_EQ(d.Value(257), 1u);
        EXPECT_EQ(Hex(d.Strip(tiff)), "00 01 4d 9a 80 ");
    }
    EXPECT_EQ(dirs[1].offset, 10u + 202 + 5);
}

TEST(FaxFileWriterRecode, EachCodersRtcEndsItsPageAndLeavesNoLineToTheNext) {
    // Page one ends as each coder ends a page; page two is plain. Both must come out as one line
    // each, page two without an empty or broken first line.
    const std::string lineEol = kEol + kWhiteLine + kEol;
    struct Case {
        const char* what;
        std::string first;
    };
    const std::vector<Case> cases = {
        {"six EOLs without fill (ghostscript)", lineEol + kEol + kEol + kEol + kEol + kEol},
        {"seven EOLs without fill (pbmtog3)", lineEol + kEol + kEol + kEol + kEol + kEol + kEol},
        {"fill before each of seven EOLs (pbmtog3 -align8)", kEol + kWhiteLine + "0000" + kEol + "0000" + kEol +
                                                                 "0000" + kEol + "0000" + kEol + "0000" + kEol +
                                                                 "0000" + kEol + "0000" + kEol},
        {"fill before the last EOL (efix)", lineEol + kEol + kEol + kEol + kEol + "000000" + kEol},
        {"fill before the first EOL only", kEol + kWhiteLine + "0000000" + kEol + kEol + kEol + kEol + kEol + kEol},
        // Fill after the RTC puts 11 zeros in front of the DLE's one, which then closes an EOL too;
        // the next page's first EOL behind it is still the next page's.
        {"a zero byte after the RTC", lineEol + kEol + kEol + kEol + kEol + kEol + "000 0000 0000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string dir = MakeTempDir();
        WriteFile(dir + "in.cap", CaptureOfPages(kFineDcs, {Bits(c.first), Bits(kEol + kWhiteLine + kRtc)}));
        FaxFileWriter writer;
        ASSERT_TRUE(writer.Convert(dir + "in.cap", dir + "out.tif"));
        EXPECT_EQ(writer.LastDetail(), 0);
        const std::string tiff = ReadFile(dir + "out.tif");
        const auto dirs = Directories(tiff);
        ASSERT_EQ(dirs.size(), 2u);
        for (const auto& d : dirs) {
            EXPECT_EQ(d.Value(257), 1u);
            EXPECT_EQ(Hex(d.Strip(tiff)), "00 01 4d 9a 80 ");
        }
    }
}

TEST(FaxFileWriterRecode, PagesShiftedByAnyNumberOfBitsGiveTheSameFile) {
    // Line data is copied in whole words and bytes where that is safe; whichever input bit
    // position the data starts at, the output must be what bit-by-bit re-coding gives. The pages
    // are the text page (long lines), the checkerboard (dense) and the nearly blank page (EOLs).
    std::string bits;
    for (const char* name : {"text-normal-fill", "checker", "nearly-blank-fill", "black-line"}) {
        for (unsigned char c : Page(name) + '\x10') {
            for (int i = 7; i >= 0; --i) {
                bits += static_cast<char>('0' + (c >> i & 1));
            }
        }
    }
    std::string first;
    for (int shift = 0; shift < 8; ++shift) {
        SCOPED_TRACE("shifted by " + std::to_string(shift));
        const std::string dir = MakeTempDir();
        WriteFile(dir + "in.cap", CaptureOfData(kFineDcs, 4, Bits(std::string(shift, '1') + bits)));
        FaxFileWriter writer;
        ASSERT_TRUE(writer.Convert(dir + "in.cap", dir + "out.tif"));
        const std::string tiff = ReadFile(dir + "out.tif");
        if (shift == 0) {
            first = tiff;
            ExpectLibtiffReadsPages(dir + "out.tif", {"text-normal-fill", "checker", "nearly-blank-fill", "black-line"},
                                    200);
        } else {
            EXPECT_TRUE(tiff == first);
        }
    }
}

// ---- Whole captures and failures ----------------------------------------------------------------

// A header alone would point at a first directory past the file's end: no reader opens such a
// file, and a record of it would list a fax of no pages.
TEST(FaxFileWriterCapture, NoPagesGiveNoFile) {
    const std::string dir = MakeTempDir();
    WriteFile(dir + "in.cap", CaptureOfData(kFineDcs, 0, ""));
    WriteFile(dir + "out.tif", "an older file");
    FaxFileWriter writer;
    EXPECT_FALSE(writer.Convert(dir + "in.cap", dir + "out.tif"));
    EXPECT_EQ(writer.LastResult(), FaxFileWriter::kDecodePage);
    EXPECT_EQ(writer.PagesWritten(), 0u);
    EXPECT_EQ(ReadFile(dir + "out.tif"), "an older file") << "nothing replaced by a file of no pages";
}

TEST(FaxFileWriterCapture, AnOlderFileOfTheSameNameIsReplacedAndTheCaptureKept) {
    const std::string dir = MakeTempDir();
    const std::string capture = CaptureOfPages(kFineDcs, {Page("black-line")});
    WriteFile(dir + "in.cap", capture);
    WriteFile(dir + "out.tif", std::string(100000, 'x'));
    FaxFileWriter writer;
    ASSERT_TRUE(writer.Convert(dir + "in.cap", dir + "out.tif"));
    const std::string tiff = ReadFile(dir + "out.tif");
    EXPECT_EQ(tiff.size(), 10u + 202 + Directories(tiff).at(0).Value(279));
    EXPECT_EQ(ReadFile(dir + "in.cap"), capture);
    // The same writer converts again with nothing left over from the first run.
    ASSERT_TRUE(writer.Convert(dir + "in.cap", dir + "again.tif"));
    EXPECT_EQ(ReadFile(dir + "again.tif"), tiff);
}

TEST(FaxFileWriterCapture, ABadCaptureFailsBeforeAnyTiffIsCreated) {
    const std::string good = CaptureOfPages(kFineDcs, {Page("black-line")});
    std::string hugeLength = good;
    PutLe32(hugeLength, 128, 0xFFFFFFFFu);
    struct Case {
        const char* what;
        std::string capture; // empty: no capture file at all
        int32_t detail;
    };
    const std::vector<Case> cases = {
        {"no capture file", "", 26},
        {"cut before the resolution byte", good.substr(0, 3), 43},
        {"cut before the page count", good.substr(0, 40), 28},
        {"cut inside the length field", good.substr(0, 130), 30},
        {"data shorter than its length", good.substr(0, good.size() - 1), 32},
        {"a length of 4 GB", hugeLength, 32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string dir = MakeTempDir();
        if (!c.capture.empty()) {
            WriteFile(dir + "in.cap", c.capture);
        }
        FaxFileWriter writer;
        EXPECT_FALSE(writer.Convert(dir + "in.cap", dir + "out.tif"));
        EXPECT_EQ(writer.LastResult(), FaxFileWriter::kReadCapture);
        EXPECT_EQ(writer.LastDetail(), c.detail);
        EXPECT_FALSE(std::filesystem::exists(dir + "out.tif"));
    }
}

TEST(FaxFileWriterCapture, PageDataWithoutEolsOrRunningOutFailsWithTheFileAsFarAsWritten) {
    const std::string twoPages = Page("black-line") + '\x10' + Page("black-line-fill") + '\x10';
    struct Case {
        const char* what;
        std::string capture;
        int32_t result, detail;
        size_t pagesLeft;
    };
    const std::vector<Case> cases = {
        {"all ones", CaptureOfData(kFineDcs, 1, std::string(5000, '\xff')), 12, 37, 0},
        {"all zeros", CaptureOfData(kFineDcs, 3, std::string(5000, '\0')), 12, 37, 0},
        {"255 pages announced, data for two", CaptureOfData(kFineDcs, 255, twoPages), 12, 37, 2},
        {"a page announced after the data is used up", // 104 bits: the first page takes every byte
         CaptureOfData(kFineDcs, 2, Bits("000" + kEol + kWhiteLine + kRtc)), 12, 35, 1},
        {"a failure on the first page leaves the header", CaptureOfData(kFineDcs, 1, "\x10\x03"), 12, 37, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string dir = MakeTempDir();
        WriteFile(dir + "in.cap", c.capture);
        FaxFileWriter writer;
        EXPECT_FALSE(writer.Convert(dir + "in.cap", dir + "out.tif"));
        EXPECT_EQ(writer.LastResult(), c.result);
        EXPECT_EQ(writer.LastDetail(), c.detail);
        const std::string tiff = ReadFile(dir + "out.tif");
        EXPECT_EQ(Directories(tiff).size(), c.pagesLeft);
        if (c.pagesLeft == 0) {
            EXPECT_EQ(tiff, std::string("II\x2a\0\x0a\0\0\0", 8));
        } else {
            const ToolRun info = Tool("tiffinfo -D " + dir + "out.tif");
            EXPECT_EQ(Complaints(info.err), "");
        }
    }
}

// Writes that stop at a file-size limit (as on a full disk): each page's directory and strip go out
// together, and where the writing stopped still tells which of them failed. The pages before stay a
// valid TIFF file.
TEST(FaxFileWriterCapture, AWriteStoppedAnywhereNamesTheDirectoryOrTheStripAndKeepsThePagesBefore) {
    const std::string dir = MakeTempDir();
    WriteFile(dir + "in.cap", CaptureOfPages(kFineDcs, {Page("black-line"), Page("black-line-fill")}));
    FaxFileWriter whole;
    ASSERT_TRUE(whole.Convert(dir + "in.cap", dir + "whole.tif"));
    const auto pages = Directories(ReadFile(dir + "whole.tif"));
    ASSERT_EQ(pages.size(), 2u);
    const uint32_t secondDirectory = Le32(ReadFile(dir + "whole.tif"), 10 + 182);
    struct Case {
        const char* what;
        uint32_t limit; // bytes the file may grow to
        int32_t result, detail;
        uint32_t pagesWritten;
    };
    const std::vector<Case> cases = {
        {"in the first directory", 10 + 100, FaxFileWriter::kWriteDirectory, FaxFileWriter::kDirectoryWrite, 0},
        {"in the first strip", 10 + 202 + 1, FaxFileWriter::kWriteStrip, FaxFileWriter::kDetailNone, 0},
        {"in the second directory", secondDirectory + 50, FaxFileWriter::kWriteDirectory,
         FaxFileWriter::kDirectoryWrite, 1},
        {"in the second strip", secondDirectory + 202 + 1, FaxFileWriter::kWriteStrip, FaxFileWriter::kDetailNone, 1},
    };
    // A write past the limit fails with EFBIG instead of ending the process.
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FaxFileWriter writer;
        rlimit limit = old;
        limit.rlim_cur = c.limit;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
        const bool converted = writer.Convert(dir + "in.cap", dir + "out.tif");
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old), 0);
        EXPECT_FALSE(converted);
        EXPECT_EQ(writer.LastResult(), c.result);
        EXPECT_EQ(writer.LastDetail(), c.detail);
        EXPECT_EQ(writer.PagesWritten(), c.pagesWritten);
        if (c.pagesWritten > 0) {
            EXPECT_EQ(Directories(ReadFile(dir + "out.tif")).size(), c.pagesWritten);
            const ToolRun info = Tool("tiffinfo -D " + dir + "out.tif");
            EXPECT_EQ(Complaints(info.err), "");
        }
    }
    std::signal(SIGXFSZ, oldHandler);
}

TEST(FaxFileWriterCapture, A255PageFaxIsConvertedAndTheLoopEnds) {
    // The page counter must be wider than the byte that holds the count: 255 + 1 wraps to 0.
    const std::string page = Bits(kEol + kWhiteLine + kRtc) + '\x10';
    std::string data;
    for (int i = 0; i < 255; ++i) {
        data += page;
    }
    const std::string dir = MakeTempDir();
    WriteFile(dir + "in.cap", CaptureOfData(kNormalDcs, 255, data));
    FaxFileWriter writer;
    EXPECT_TRUE(writer.Convert(dir + "in.cap", dir + "out.tif"));
    EXPECT_EQ(writer.LastResult(), 0);
    EXPECT_EQ(Directories(ReadFile(dir + "out.tif")).size(), 255u);
}

TEST(FaxFileWriterCapture, APageFileInAMissingFolderCannotBeCreated) {
    const std::string dir = MakeTempDir();
    WriteFile(dir + "in.cap", CaptureOfPages(kFineDcs, {Page("black-line")}));
    FaxFileWriter writer;
    EXPECT_FALSE(writer.Convert(dir + "in.cap", dir + "no-such-dir/out.tif"));
    EXPECT_EQ(writer.LastResult(), FaxFileWriter::kCreateTiff);
}
