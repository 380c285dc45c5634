// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSizeF>
#include <QString>

#include <memory>
#include <vector>

struct tiff;

// The pages of a fax page file as images, decoded by libtiff. The file is read into memory when it
// is opened, so a fax deleted or replaced while it is shown changes nothing here; pages are
// decoded when asked for, and only the last few asked for are kept (a fax of many large pages
// never has them all in memory at once). Images are QImage::Format_Mono, 1 = black.
class FaxPageImages {
public:
    FaxPageImages();
    ~FaxPageImages();
    FaxPageImages(const FaxPageImages&) = delete;
    FaxPageImages& operator=(const FaxPageImages&) = delete;

    // Reads the file and counts its pages; false with ErrorText() when it cannot be shown at all.
    bool Open(const QString& path);
    int PageCount() const { return static_cast<int>(m_pages.size()); }
    // The page's image; a null image when the page cannot be decoded (ErrorText() says why). A
    // page whose data breaks off part-way keeps the lines decoded before the damage.
    QImage Page(int page);
    // Pixels per inch across and down (200 by 100 for a normal-resolution fax).
    double XResolution(int page) const { return m_pages.at(static_cast<size_t>(page)).xDpi; }
    double YResolution(int page) const { return m_pages.at(static_cast<size_t>(page)).yDpi; }
    // The page's size at its true aspect, in image pixels across: lines stretched by x/y resolution.
    QSizeF TrueSize(int page) const;
    bool Damaged(int page) const { return m_pages.at(static_cast<size_t>(page)).damaged; }
    const QString& ErrorText() const { return m_error; }
    // How many pages are decoded and kept now (at most kKeptPages).
    size_t KeptPages() const { return m_kept.size(); }

    // Pages wider or longer than a fax page can be (FaxPageFile::kMaxWidth, kMaxRows) are not
    // decoded: a damaged size field must not take the memory.
    // The pages kept decoded: the one shown, the one before and the one after.
    static constexpr size_t kKeptPages = 3;

private:
    struct PageInfo {
        uint32_t width = 0, rows = 0;
        double xDpi = 200, yDpi = 200;
        bool decoded = false, damaged = false;
        bool refused = false; // not decoded at all: not one bit per pixel, or larger than a fax page
        QImage image;
    };
    bool SelectPage(int page);

    QByteArray m_file;
    qint64 m_position = 0;
    tiff* m_tiff = nullptr;
    std::vector<PageInfo> m_pages;
    std::vector<int> m_kept; // the decoded pages, the one asked for last at the end
    QString m_error;
    QString m_libtiffMessage; // the last message libtiff gave

    friend struct FaxPageImagesIo;
};
