// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/viewer/FaxPageImages.h"

#include "core/fax/FaxPageFile.h"

#include <QFile>

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

// libtiff reads the file from memory through these.
struct FaxPageImagesIo {
    static FaxPageImages& Self(thandle_t handle) { return *static_cast<FaxPageImages*>(handle); }
    static tmsize_t Read(thandle_t handle, void* buffer, tmsize_t size) {
        FaxPageImages& self = Self(handle);
        const qint64 n = std::max<qint64>(0, std::min<qint64>(size, self.m_file.size() - self.m_position));
        std::memcpy(buffer, self.m_file.constData() + self.m_position, static_cast<size_t>(n));
        self.m_position += n;
        return static_cast<tmsize_t>(n);
    }
    static tmsize_t Write(thandle_t, void*, tmsize_t) { return 0; }
    static toff_t Seek(thandle_t handle, toff_t offset, int whence) {
        FaxPageImages& self = Self(handle);
        const qint64 base = whence == SEEK_CUR ? self.m_position : whence == SEEK_END ? self.m_file.size() : 0;
        const qint64 to = base + static_cast<qint64>(offset);
        if (to < 0) {
            return static_cast<toff_t>(-1);
        }
        self.m_position = to;
        return static_cast<toff_t>(to);
    }
    static int Close(thandle_t) { return 0; }
    static toff_t Size(thandle_t handle) { return static_cast<toff_t>(Self(handle).m_file.size()); }
    static int Map(thandle_t handle, void** base, toff_t* size) {
        FaxPageImages& self = Self(handle);
        *base = const_cast<char*>(self.m_file.constData());
        *size = static_cast<toff_t>(self.m_file.size());
        return 1;
    }
    static void Unmap(thandle_t, void*, toff_t) {}
    // Errors are kept for the message; warnings (our directories keep their own tag order) are not.
    static int Error(TIFF*, void* user, const char*, const char* format, va_list args) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        static_cast<FaxPageImages*>(user)->m_libtiffMessage = QString::fromLocal8Bit(text);
        return 1;
    }
    static int Warning(TIFF*, void*, const char*, const char*, va_list) { return 1; }
};

namespace {
// A page without any line is shown as a blank sheet of A4 length.
constexpr double kBlankPageInches = 11.69;
} // namespace

FaxPageImages::FaxPageImages() = default;

FaxPageImages::~FaxPageImages() {
    if (m_tiff != nullptr) {
        TIFFClose(m_tiff);
    }
}

bool FaxPageImages::Open(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("无法打开传真文件：%1").arg(path);
        return false;
    }
    m_file = file.readAll();
    m_position = 0;

    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, &FaxPageImagesIo::Error, this);
    TIFFOpenOptionsSetWarningHandlerExtR(options, &FaxPageImagesIo::Warning, this);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, 64 * 1024 * 1024);
    m_tiff = TIFFClientOpenExt("fax", "rm", this, &FaxPageImagesIo::Read, &FaxPageImagesIo::Write,
                               &FaxPageImagesIo::Seek, &FaxPageImagesIo::Close, &FaxPageImagesIo::Size,
                               &FaxPageImagesIo::Map, &FaxPageImagesIo::Unmap, options);
    TIFFOpenOptionsFree(options);
    const QString damaged = QStringLiteral("传真文件已损坏，无法显示：%1").arg(path);
    if (m_tiff == nullptr) {
        m_error = damaged;
        return false;
    }
    // Count the pages and take their sizes; a directory that cannot be read ends the file there.
    do {
        PageInfo page;
        uint16_t bits = 1, samples = 1, unit = RESUNIT_INCH;
        float x = 0, y = 0;
        if (!TIFFGetField(m_tiff, TIFFTAG_IMAGEWIDTH, &page.width) ||
            !TIFFGetField(m_tiff, TIFFTAG_IMAGELENGTH, &page.rows)) {
            break;
        }
        TIFFGetFieldDefaulted(m_tiff, TIFFTAG_BITSPERSAMPLE, &bits);
        TIFFGetFieldDefaulted(m_tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
        TIFFGetFieldDefaulted(m_tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
        const double scale = unit == RESUNIT_CENTIMETER ? 2.54 : 1.0;
        if (TIFFGetField(m_tiff, TIFFTAG_XRESOLUTION, &x) && std::isfinite(x) && x >= 1) {
            page.xDpi = x * scale;
        }
        page.yDpi = page.xDpi;
        if (TIFFGetField(m_tiff, TIFFTAG_YRESOLUTION, &y) && std::isfinite(y) && y >= 1) {
            page.yDpi = y * scale;
        }
        page.refused = bits != 1 || samples != 1 || page.width == 0 || page.width > FaxPageFile::kMaxWidth ||
                       page.rows > FaxPageFile::kMaxRows;
        page.damaged = page.refused;
        m_pages.push_back(std::move(page));
    } while (m_pages.size() < 10000 && TIFFReadDirectory(m_tiff));
    if (m_pages.empty()) {
        m_error = damaged;
        return false;
    }
    return true;
}

bool FaxPageImages::SelectPage(int page) {
    return TIFFSetDirectory(m_tiff, static_cast<tdir_t>(page)) == 1;
}

QImage FaxPageImages::Page(int page) {
    PageInfo& info = m_pages.at(static_cast<size_t>(page));
    m_kept.erase(std::remove(m_kept.begin(), m_kept.end(), page), m_kept.end());
    m_kept.push_back(page);
    if (info.decoded) {
        return info.image;
    }
    // The page asked for longest ago makes room (its image lives on where a caller still holds it).
    if (m_kept.size() > kKeptPages) {
        PageInfo& oldest = m_pages.at(static_cast<size_t>(m_kept.front()));
        oldest.image = QImage();
        oldest.decoded = false;
        m_kept.erase(m_kept.begin());
    }
    info.decoded = true;
    if (info.refused || !SelectPage(page)) {
        info.damaged = true;
        m_error = QStringLiteral("第 %1 页已损坏，无法显示。").arg(page + 1);
        return info.image;
    }
    const int width = static_cast<int>(info.width);
    if (info.rows == 0) {
        info.image = QImage(width, static_cast<int>(std::lround(info.yDpi * kBlankPageInches)), QImage::Format_Mono);
        info.image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
        info.image.fill(0);
        return info.image;
    }
    uint16_t photometric = PHOTOMETRIC_MINISWHITE;
    TIFFGetFieldDefaulted(m_tiff, TIFFTAG_PHOTOMETRIC, &photometric);
    QImage image(width, static_cast<int>(info.rows), QImage::Format_Mono);
    if (image.isNull()) {
        info.damaged = true;
        m_error = QStringLiteral("第 %1 页太大，无法显示。").arg(page + 1);
        return info.image;
    }
    // White is zero in a fax; a file that says otherwise gets its colours swapped back.
    const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0);
    image.setColorTable(photometric == PHOTOMETRIC_MINISBLACK ? QList<QRgb>{black, white} : QList<QRgb>{white, black});
    image.fill(0);
    if (TIFFScanlineSize(m_tiff) > image.bytesPerLine()) {
        info.damaged = true;
        m_error = QStringLiteral("第 %1 页已损坏，无法显示。").arg(page + 1);
        return info.image;
    }
    for (uint32_t row = 0; row < info.rows; ++row) {
        if (TIFFReadScanline(m_tiff, image.scanLine(static_cast<int>(row)), row, 0) != 1) {
            // The lines up to the damage stay; the rest of the page is left white.
            info.damaged = true;
            m_error = QStringLiteral("第 %1 页从第 %2 行起已损坏。").arg(page + 1).arg(row + 1);
            break;
        }
    }
    info.image = std::move(image);
    return info.image;
}

QSizeF FaxPageImages::TrueSize(int page) const {
    const PageInfo& info = m_pages.at(static_cast<size_t>(page));
    const double rows = info.rows == 0 ? info.yDpi * kBlankPageInches : info.rows;
    return {static_cast<double>(info.width), rows * info.xDpi / info.yDpi};
}
