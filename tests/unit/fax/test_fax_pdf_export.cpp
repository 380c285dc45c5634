// SPDX-License-Identifier: GPL-3.0-or-later
// PDF export of fax page files: page files written by our writer from pages of independent
// encoders are exported, and every PDF page rendered by poppler (pdftoppm) must equal the page as
// libtiff decodes it from the TIFF, pixel for pixel; qpdf must find the file sound, and pdfinfo its
// page sizes, title and date. Ghostscript renders a second time as another reader of the filter.
#include "core/fax/FaxFileWriter.h"
#include "core/fax/FaxPageFile.h"
#include "core/fax/FaxPdfExport.h"
#include "core/fax/FaxRecordStore.h"
#include "core/platform/Gbk.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <QString>

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

using testsupport::MakeTempDir;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

const std::string kPages = std::string(FAXDESK_TEST_DATA_DIR) + "/pages/";
constexpr const char* kFineDcs = "1,3,0,2,0,0,0,0";
constexpr const char* kNormalDcs = "0,3,0,2,0,0,0,0";
const std::vector<std::string> kAllPages = {"text-fine", "text-normal-fill", "nearly-blank-fill",
                                            "checker",   "black-line",       "black-line-fill"};

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

// A page file as the retrieval leaves it: the capture of `pages` converted by our writer.
std::string MakePageFile(const std::string& dir, const std::string& dcs, const std::vector<std::string>& pages) {
    EXPECT_TRUE(testsupport::MakeFaxPageFile(dir + "fax.tif", dcs == kFineDcs, pages));
    return dir + "fax.tif";
}

std::vector<std::string> Cycle(size_t count) {
    std::vector<std::string> pages;
    for (size_t i = 0; i < count; ++i) {
        pages.push_back(kAllPages[i % kAllPages.size()]);
    }
    return pages;
}

struct Bitmap {
    uint32_t width = 0, height = 0;
    std::string bits; // rows of (width + 7) / 8 bytes, 1 = black, as PBM keeps them
    float yResolution = 0;
};

// Every page as libtiff decodes it, 1 black whatever the file's photometric interpretation.
std::vector<Bitmap> LibtiffPages(const std::string& path) {
    std::vector<Bitmap> pages;
    TIFFSetWarningHandler(nullptr); // our directories keep their own (unsorted) tag order
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (tif == nullptr) {
        ADD_FAILURE() << "libtiff cannot open " << path;
        return pages;
    }
    do {
        Bitmap page;
        uint16_t photometric = 0;
        TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &page.width);
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &page.height);
        TIFFGetField(tif, TIFFTAG_YRESOLUTION, &page.yResolution);
        TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
        const tmsize_t line = TIFFScanlineSize(tif);
        page.bits.resize(static_cast<size_t>(line) * page.height);
        for (uint32_t row = 0; row < page.height; ++row) {
            EXPECT_EQ(TIFFReadScanline(tif, &page.bits[static_cast<size_t>(line) * row], row, 0), 1) << row;
        }
        if (photometric == PHOTOMETRIC_MINISBLACK) {
            for (char& c : page.bits) {
                c = static_cast<char>(~c);
            }
        }
        pages.push_back(std::move(page));
    } while (TIFFReadDirectory(tif));
    TIFFClose(tif);
    return pages;
}

Bitmap ParsePbm(const std::string& pbm) {
    Bitmap image;
    std::istringstream in(pbm);
    std::string magic;
    in >> magic >> image.width >> image.height;
    in.get();
    if (magic == "P4" && in.tellg() > 0) {
        image.bits = pbm.substr(static_cast<size_t>(in.tellg()));
    }
    return image;
}

// Renders one PDF page at the fax's own resolution, so that one image pixel is one device pixel.
// Poppler gets a hair less: 0.36 pt per pixel is not exact in binary, and at exactly 200 per inch
// its page comes out 1729 pixels wide with one column doubled somewhere.
Bitmap Render(const std::string& renderer, const std::string& pdf, size_t page, int yResolution,
              int xResolution = 200) {
    const std::string out = MakeTempDir() + "page.pbm";
    const std::string n = std::to_string(page + 1);
    const std::string y = std::to_string(yResolution);
    const std::string yHair = std::to_string(yResolution - 1) + ".9999";
    const std::string xHair = std::to_string(xResolution - 1) + ".9999";
    const ToolRun run = renderer == "pdftoppm"
                            ? Tool("pdftoppm -mono -singlefile -rx " + xHair + " -ry " + yHair + " -f " + n + " -l " +
                                   n + " " + pdf + " " + out.substr(0, out.size() - 4))
                            : Tool("gs -q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=pbmraw -r200x" + y + " -dFirstPage=" + n +
                                   " -dLastPage=" + n + " -sOutputFile=- " + pdf + " | pamtopnm");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    return ParsePbm(renderer == "pdftoppm" ? ReadFile(out) : run.out);
}

// The value of one "Key: value" line of pdfinfo's report.
std::string InfoValue(const std::string& info, const std::string& key) {
    std::istringstream lines(info);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind(key + ":", 0) == 0) {
            const size_t at = line.find_first_not_of(' ', key.size() + 1);
            return at == std::string::npos ? std::string() : line.substr(at);
        }
    }
    return "(no " + key + ")";
}

// "622.08 x 825.12" of page `page` (from 1) of a report made with -f and -l.
std::string PageSize(const std::string& info, size_t page) {
    std::istringstream lines(info);
    std::string line;
    while (std::getline(lines, line)) {
        unsigned n = 0;
        double w = 0, h = 0;
        if (std::sscanf(line.c_str(), "Page %u size: %lf x %lf pts", &n, &w, &h) == 3 && n == page) {
            char size[64];
            std::snprintf(size, sizeof size, "%.2f x %.2f", w, h);
            return size;
        }
    }
    return "(no page " + std::to_string(page) + ")";
}

void ExpectSoundPdf(const std::string& pdf) {
    const ToolRun check = Tool("qpdf --check " + pdf);
    EXPECT_EQ(check.status, 0) << check.out << check.err;
    EXPECT_NE(check.out.find("No syntax or stream encoding errors found"), std::string::npos) << check.out;
    EXPECT_EQ(check.err, "");
}

std::string PdfInfo(const std::string& pdf, const std::string& options = "") {
    const ToolRun info = Tool("pdfinfo " + options + " " + pdf);
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(info.err, "");
    return info.out;
}

FaxPdfSource Source(const std::string& tif, const std::string& title = "FAX",
                    const std::string& time = "2000/08/15  09:05:00") {
    return {tif, title, time};
}

} // namespace

// ---- Pages: poppler and ghostscript see exactly what libtiff decodes ------------------------------

struct PagesCase {
    const char* name;
    const char* dcs;
    size_t pages;
    int yResolution;
};

class FaxPdfExportPages : public testing::TestWithParam<PagesCase> {};

TEST_P(FaxPdfExportPages, EveryPageRendersToTheTiffPixelsAtItsTrueSize) {
    const PagesCase& c = GetParam();
    const std::string dir = MakeTempDir();
    const std::string tif = MakePageFile(dir, c.dcs, Cycle(c.pages));
    FaxPdfExport pdf;
    ASSERT_TRUE(pdf.Export({Source(tif)}, dir + "fax.pdf"));
    EXPECT_EQ(pdf.LastResult(), FaxPdfExport::kOk);
    ExpectSoundPdf(dir + "fax.pdf");

    const std::vector<Bitmap> pages = LibtiffPages(tif);
    ASSERT_EQ(pages.size(), c.pages);
    const std::string sizes = PdfInfo(dir + "fax.pdf", "-f 1 -l " + std::to_string(c.pages));
    EXPECT_EQ(InfoValue(sizes, "Pages"), std::to_string(c.pages));
    for (size_t i = 0; i < pages.size(); ++i) {
        SCOPED_TRACE("page " + std::to_string(i + 1));
        EXPECT_EQ(pages[i].yResolution, c.yResolution);
        // 1728 pixels at 200 per inch across; the lines at 100 or 200 per inch down.
        char size[64];
        std::snprintf(size, sizeof size, "%.2f x %.2f", 1728 / 200.0 * 72, pages[i].height * 72.0 / c.yResolution);
        EXPECT_EQ(PageSize(sizes, i + 1), size);
        // Poppler on every page; ghostscript on the first two, as a second reader of the filter.
        for (const std::string renderer : {"pdftoppm", "gs"}) {
            if (renderer == "gs" && i >= 2) {
                continue;
            }
            const Bitmap rendered = Render(renderer, dir + "fax.pdf", i, c.yResolution);
            EXPECT_EQ(rendered.width, pages[i].width) << renderer;
            EXPECT_EQ(rendered.height, pages[i].height) << renderer;
            EXPECT_TRUE(rendered.bits == pages[i].bits) << renderer << ": pixels differ";
        }
    }
    // No decoding and no re-coding: each strip stands in the PDF byte for byte, and the PDF is the
    // strips and a little text around them.
    const std::string pdfBytes = ReadFile(dir + "fax.pdf");
    FaxPageFile file;
    ASSERT_TRUE(file.Read(tif));
    for (size_t i = 0; i < file.m_pages.size(); ++i) {
        EXPECT_NE(pdfBytes.find("stream\n" + file.PageData(i) + "\nendstream"), std::string::npos) << i;
    }
    EXPECT_LT(pdfBytes.size(), file.m_data.size() + 1000 * c.pages) << file.m_data.size();
}

INSTANTIATE_TEST_SUITE_P(, FaxPdfExportPages,
                         testing::Values(PagesCase{"FineOnePage", kFineDcs, 1, 200},
                                         PagesCase{"NormalOnePage", kNormalDcs, 1, 100},
                                         PagesCase{"FineTwentyPages", kFineDcs, 20, 200},
                                         PagesCase{"NormalTwentyPages", kNormalDcs, 20, 100}),
                         [](const testing::TestParamInfo<PagesCase>& row) { return row.param.name; });

// ---- Page files other tools wrote -------------------------------------------------------------

struct ToolCase {
    const char* name;
    std::string command; // makes $D/fax.tif, $P being the folder of the test pages
    const char* page;    // the source page whose pixels each page must show; none when the tool adds
                         // or drops lines of its own
};

class FaxPdfExportOtherTools : public testing::TestWithParam<ToolCase> {};

TEST_P(FaxPdfExportOtherTools, EveryPageRendersToItsPixels) {
    const ToolCase& c = GetParam();
    const std::string dir = MakeTempDir();
    const ToolRun made = Tool("D=" + dir + " P=" + kPages + " sh -c '" + c.command + "'");
    ASSERT_EQ(made.status, 0) << made.err;
    const std::string tif = dir + "fax.tif";
    FaxPdfExport pdf;
    ASSERT_TRUE(pdf.Export({Source(tif)}, dir + "fax.pdf")) << pdf.LastResult();
    ExpectSoundPdf(dir + "fax.pdf");
    const std::vector<Bitmap> pages = LibtiffPages(tif);
    ASSERT_FALSE(pages.empty());
    Bitmap source;
    if (c.page != nullptr) {
        source = ParsePbm(Tool("zcat " + kPages + c.page + ".pbm.gz").out);
        ASSERT_EQ(source.width, 1728u);
    }
    // Rendered at the resolution the page is laid out at (the file's own, or 200 per inch where it
    // names none), one image pixel a device pixel.
    FaxPageFile file;
    ASSERT_TRUE(file.Read(tif));
    ASSERT_EQ(file.m_pages.size(), pages.size());
    for (size_t i = 0; i < pages.size(); ++i) {
        SCOPED_TRACE("page " + std::to_string(i + 1));
        const Bitmap rendered = Render("pdftoppm", dir + "fax.pdf", i, static_cast<int>(file.m_pages[i].yResolution),
                                       static_cast<int>(file.m_pages[i].xResolution));
        EXPECT_EQ(rendered.height, pages[i].height);
        EXPECT_TRUE(rendered.bits == pages[i].bits) << "pixels differ from libtiff's";
        if (c.page != nullptr) {
            EXPECT_TRUE(rendered.bits == source.bits) << "pixels differ from the source page";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    , FaxPdfExportOtherTools,
    testing::Values(
        // Least significant bit first, one strip per page.
        ToolCase{"Fax2tiff",
                 "fax2tiff -M -o $D/fax.tif $P/text-fine.g3 && fax2tiff -M -o $D/b.tif $P/checker.g3 && "
                 "tiffcp -a $D/b.tif $D/fax.tif",
                 nullptr},
        // Black is zero, a strip every 37 lines, as tiffcp keeps a PBM that pnmtotiff made.
        ToolCase{"TiffcpBlackIsZero",
                 "zcat $P/checker.pbm.gz | pnmtotiff > $D/raw.tif && tiffcp -c g3 $D/raw.tif $D/fax.tif", "checker"},
        // White is zero with fill bits: every EOL ends a byte.
        ToolCase{
            "TiffcpFillBits",
            "zcat $P/text-fine.pbm.gz | pnmtotiff -miniswhite > $D/raw.tif && tiffcp -c g3:fill $D/raw.tif $D/fax.tif",
            "text-fine"}),
    [](const testing::TestParamInfo<ToolCase>& row) { return row.param.name; });

// ---- The record: title and date ----------------------------------------------------------------

TEST(FaxPdfExportRecord, TitleWithAGbkSenderIdAndCreationDateComeFromTheRecord) {
    const std::string dir = MakeTempDir();
    FaxRecord record;
    record.file = gbk::FromNativePath(MakePageFile(dir, kFineDcs, {"checker"}));
    record.time = "2000/08/15  09:05:00";
    record.id = gbk::ToStd(QStringLiteral("北京分公司 86"));
    const FaxPdfSource source = FaxPdfExport::SourceOfRecord(record);
    EXPECT_EQ(source.pageFile, dir + "fax.tif");
    FaxPdfExport pdf;
    ASSERT_TRUE(pdf.Export({source}, dir + "fax.pdf"));
    ExpectSoundPdf(dir + "fax.pdf");
    const std::string info = PdfInfo(dir + "fax.pdf", "-rawdates");
    EXPECT_EQ(InfoValue(info, "Title"), "传真 北京分公司 86 2000/08/15  09:05:00");
    // The record's time is local time: the date carries the local offset from UTC.
    EXPECT_EQ(InfoValue(info, "CreationDate").substr(0, 16), "D:20000815090500");

    // No sender ID: the title is the time alone after the word; a time that is no time gives no date.
    record.id.clear();
    record.time = "NULL?";
    ASSERT_TRUE(pdf.Export({FaxPdfExport::SourceOfRecord(record)}, dir + "fax.pdf"));
    const std::string bare = PdfInfo(dir + "fax.pdf");
    EXPECT_EQ(InfoValue(bare, "Title"), "传真 NULL?");
    EXPECT_EQ(InfoValue(bare, "CreationDate"), "(no CreationDate)");
}

// ---- Several faxes, odd pages and files from other writers --------------------------------------

TEST(FaxPdfExportFiles, SeveralFaxesGoIntoOnePdfWithABookmarkEach) {
    const std::string dir = MakeTempDir();
    const std::string first = MakePageFile(MakeTempDir(), kNormalDcs, {"text-normal-fill", "checker"});
    const std::string second = MakePageFile(MakeTempDir(), kFineDcs, {"text-fine"});
    FaxPdfExport pdf;
    ASSERT_TRUE(pdf.Export({Source(first, gbk::ToStd(QStringLiteral("传真 甲")), "2000/08/15  09:05:00"),
                            Source(second, gbk::ToStd(QStringLiteral("传真 乙")), "2001/01/02  03:04:05")},
                           dir + "both.pdf"));
    ExpectSoundPdf(dir + "both.pdf");
    const std::string info = PdfInfo(dir + "both.pdf", "-rawdates -f 1 -l 3");
    EXPECT_EQ(InfoValue(info, "Pages"), "3");
    EXPECT_EQ(InfoValue(info, "Title"), "传真 2 份");
    EXPECT_EQ(InfoValue(info, "CreationDate").substr(0, 16), "D:20010102030405"); // the newest
    EXPECT_EQ(PageSize(info, 3), "622.08 x 825.12");                              // fine: 2292 lines
    const std::string outlines = Tool("qpdf --json --json-key=outlines " + dir + "both.pdf").out;
    EXPECT_NE(outlines.find("\"title\": \"传真 甲\""), std::string::npos) << outlines;
    EXPECT_NE(outlines.find("\"title\": \"传真 乙\""), std::string::npos) << outlines;
    EXPECT_NE(outlines.find("\"destpageposfrom1\": 3"), std::string::npos) << outlines;
    for (size_t page : {0u, 2u}) {
        const Bitmap tiff = LibtiffPages(page == 0 ? first : second)[0];
        EXPECT_TRUE(Render("pdftoppm", dir + "both.pdf", page, page == 0 ? 100 : 200).bits == tiff.bits) << page;
    }
}

TEST(FaxPdfExportFiles, APageWithoutLinesBecomesABlankSheet) {
    // A page file of another program (or of an older FAXDESK) whose second page has no rows: the
    // second directory's ImageLength and RowsPerStrip set to 0.
    const std::string dir = MakeTempDir();
    MakePageFile(dir, kNormalDcs, {"checker", "black-line"});
    std::string tiff = ReadFile(dir + "fax.tif");
    const auto u32 = [&tiff](size_t at) {
        return static_cast<uint32_t>(static_cast<uint8_t>(tiff[at])) | static_cast<uint8_t>(tiff[at + 1]) << 8 |
               static_cast<uint8_t>(tiff[at + 2]) << 16 |
               static_cast<uint32_t>(static_cast<uint8_t>(tiff[at + 3])) << 24;
    };
    const uint32_t first = u32(4);
    const uint32_t entries = static_cast<uint8_t>(tiff[first]) | static_cast<uint8_t>(tiff[first + 1]) << 8;
    const uint32_t second = u32(first + 2 + 12 * entries);
    ASSERT_NE(second, 0u);
    const uint32_t secondEntries = static_cast<uint8_t>(tiff[second]) | static_cast<uint8_t>(tiff[second + 1]) << 8;
    for (uint32_t i = 0; i < secondEntries; ++i) {
        const size_t entry = second + 2 + 12 * i;
        const uint32_t tag = static_cast<uint8_t>(tiff[entry]) | static_cast<uint8_t>(tiff[entry + 1]) << 8;
        if (tag == 257 || tag == 278)
            tiff.replace(entry + 8, 4, std::string(4, '\0'));
    }
    WriteFile(dir + "fax.tif", tiff);
    FaxPdfExport pdf;
    ASSERT_TRUE(pdf.Export({Source(dir + "fax.tif")}, dir + "fax.pdf"));
    ExpectSoundPdf(dir + "fax.pdf");
    const std::string info = PdfInfo(dir + "fax.pdf", "-f 2 -l 2");
    EXPECT_EQ(InfoValue(info, "Pages"), "2");
    EXPECT_EQ(PageSize(info, 2), "622.08 x 841.89");
}

TEST(FaxPdfExportFiles, OtherByteOrderAndTagOrderAreReadAsWell) {
    // tiffcp writes big-endian with its tags sorted, and its own T.4 coder with fill bits.
    const std::string dir = MakeTempDir();
    const std::string tif = MakePageFile(dir, kNormalDcs, {"text-normal-fill", "checker"});
    ASSERT_EQ(Tool("tiffcp -B -c g3:1d:fill " + tif + " " + dir + "big.tif").status, 0);
    FaxPageFile file;
    ASSERT_TRUE(file.Read(dir + "big.tif"));
    ASSERT_EQ(file.m_pages.size(), 2u);
    EXPECT_EQ(file.m_pages[0].width, 1728u);
    EXPECT_EQ(file.m_pages[0].xResolution, 200.0);
    EXPECT_EQ(file.m_pages[0].yResolution, 100.0);
    EXPECT_TRUE(file.m_pages[0].byteAligned);
    FaxPdfExport pdf;
    ASSERT_TRUE(pdf.Export({Source(dir + "big.tif")}, dir + "big.pdf"));
    ExpectSoundPdf(dir + "big.pdf");
    const std::vector<Bitmap> pages = LibtiffPages(tif);
    for (size_t i = 0; i < pages.size(); ++i) {
        EXPECT_TRUE(Render("pdftoppm", dir + "big.pdf", i, 100).bits == pages[i].bits) << i;
    }
}

// ---- Failures: no PDF, or the earlier one left as it was -----------------------------------------

TEST(FaxPdfExportFailures, UnreadableOrForeignPageFilesAreRefusedBeforeAnythingIsWritten) {
    const std::string dir = MakeTempDir();
    const std::string good = MakePageFile(dir, kNormalDcs, {"checker", "black-line"});
    const std::string tiff = ReadFile(good);
    WriteFile(dir + "short.tif", tiff.substr(0, tiff.size() - 100)); // last strip cut short
    WriteFile(dir + "text.tif", "This is not a TIFF file.\n");
    std::string loop = tiff;
    loop[192] = 10, loop[193] = 0, loop[194] = 0, loop[195] = 0; // first directory chains to itself
    WriteFile(dir + "loop.tif", loop);
    WriteFile(dir + "empty.tif", std::string("II*\0\0\0\0\0", 8));
    ASSERT_EQ(Tool("tiffcp -c g4 " + good + " " + dir + "g4.tif").status, 0);
    ASSERT_EQ(Tool("tiffcp -c g3:2d:fill " + good + " " + dir + "2d.tif").status, 0);
    ASSERT_EQ(Tool("tiffcp -c none " + good + " " + dir + "plain.tif").status, 0);
    // Put together to take the memory: strips that each cover the whole file, pages that share one
    // strip, a page larger than any fax page.
    const std::string data(2000, '\x55');
    std::vector<testsupport::CraftedPage> overlapping(1);
    overlapping[0].strips.assign(1000, {8, 2000});
    WriteFile(dir + "overlapping.tif", testsupport::CraftedTiff(data, overlapping));
    WriteFile(dir + "shared.tif",
              testsupport::CraftedTiff(
                  data, std::vector<testsupport::CraftedPage>(50, testsupport::CraftedPage{1728, 1, {{8, 2000}}})));
    WriteFile(dir + "huge.tif", testsupport::CraftedTiff(data, {testsupport::CraftedPage{10000, 65535, {{8, 2000}}}}));
    WriteFile(dir + "sound.tif", testsupport::CraftedTiff(data, {testsupport::CraftedPage{1728, 1, {{8, 1000}}},
                                                                 testsupport::CraftedPage{1728, 1, {{1008, 1000}}}}));
    {
        FaxPageFile sound;
        EXPECT_TRUE(sound.Read(dir + "sound.tif")) << "strips one after the other are sound";
    }

    const struct {
        std::string file;
        int result;
    } cases[] = {
        {"missing.tif", FaxPageFile::kOpenFile},    {"text.tif", FaxPageFile::kNotTiff},
        {"short.tif", FaxPageFile::kDamaged},       {"loop.tif", FaxPageFile::kDamaged},
        {"empty.tif", FaxPageFile::kNoPages},       {"g4.tif", FaxPageFile::kUnsupported},
        {"2d.tif", FaxPageFile::kUnsupported},      {"plain.tif", FaxPageFile::kUnsupported},
        {"overlapping.tif", FaxPageFile::kDamaged}, {"shared.tif", FaxPageFile::kDamaged},
        {"huge.tif", FaxPageFile::kDamaged},
    };
    WriteFile(dir + "out.pdf", "earlier");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        FaxPdfExport pdf;
        EXPECT_FALSE(pdf.Export({Source(good), Source(dir + c.file)}, dir + "out.pdf"));
        EXPECT_EQ(pdf.LastResult(), FaxPdfExport::kPageFile);
        EXPECT_EQ(pdf.FailedFax(), 1u);
        EXPECT_EQ(pdf.PageFileResult(), c.result);
        EXPECT_EQ(ReadFile(dir + "out.pdf"), "earlier");
    }
    FaxPdfExport pdf;
    EXPECT_FALSE(pdf.Export({}, dir + "out.pdf"));
    EXPECT_EQ(pdf.LastResult(), FaxPdfExport::kPageFile);
}

TEST(FaxPdfExportFailures, APdfThatCannotBeWrittenSaysSo) {
    const std::string dir = MakeTempDir();
    const std::string good = MakePageFile(dir, kFineDcs, {"checker"});
    FaxPdfExport pdf;
    EXPECT_FALSE(pdf.Export({Source(good)}, dir + "no/such/folder/fax.pdf"));
    EXPECT_EQ(pdf.LastResult(), FaxPdfExport::kWritePdf);
}
