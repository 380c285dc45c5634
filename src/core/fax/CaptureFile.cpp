// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/fax/CaptureFile.h"

#include "core/platform/DurableFile.h"
#include "core/platform/TempFile.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// The header's 32-bit fields, little-endian.
void PutLe32(uint8_t* at, uint32_t value) {
    for (size_t i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t GetLe32(const uint8_t* at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(at[i]) << (8 * i);
    return value;
}

} // namespace

CaptureFile::~CaptureFile() {
    Close();
}

void CaptureFile::Close() {
    m_file.Close();
}

bool CaptureFile::Create(const std::string& directory, const std::string& dcs, const std::string& id) {
    Close();
    m_dataLength = 0;
    m_pages = 0;
    m_failed = false;
    m_unendedTail = false;
    m_pageStart = 0;
    m_pageSpans.clear();
    m_header.fill(0);
    m_header[0] = 'G';
    m_header[1] = '3';
    std::memcpy(m_header.data() + kDcsOffset, dcs.data(), std::min(dcs.size(), kDcsLength));
    std::memcpy(m_header.data() + kIdOffset, id.data(), std::min(id.size(), kIdLength));

    m_path = tempfile::CreateUnique(directory, "TAM");
    if (m_path.empty())
        return false;
    if (!m_file.OpenExisting(m_path) || !m_file.Append(m_header.data(), m_header.size())) {
        Close();
        std::remove(m_path.c_str());
        return false;
    }
    return true;
}

bool CaptureFile::Append(const char* data, size_t count) {
    if (!m_file.IsOpen() || m_failed)
        return false;
    if (count == 0)
        return true;
    if (!m_file.Append(data, count)) {
        m_failed = true;
        return false;
    }
    m_dataLength += static_cast<uint32_t>(count);
    return true;
}

bool CaptureFile::WriteCountAndLength(int pageCount) {
    m_header[kPageCountOffset] = static_cast<uint8_t>(pageCount);
    PutLe32(m_header.data() + kDataLengthOffset, m_dataLength);
    // The count, the broken page's fields and the length in one write, from the count to the end
    // of the header: a crash leaves all of them or none, never a count of two pages over the data
    // length of one.
    return m_file.WriteAt(kPageCountOffset, m_header.data() + kPageCountOffset, kHeaderSize - kPageCountOffset);
}

bool CaptureFile::EndPage(bool withDleEtx) {
    if (!m_file.IsOpen() || m_failed)
        return false;
    const uint32_t end = withDleEtx && m_dataLength > m_pageStart ? m_dataLength - 1 : m_dataLength;
    m_pageSpans.emplace_back(m_pageStart, end);
    m_pageStart = m_dataLength;
    // The header counts the page, and the page is on the disk, before the modem is asked for more:
    // the modem forgets the fax once its last page is out, and from then on this file is its only
    // copy, also across a crash.
    ++m_pages;
    if (!WriteCountAndLength(m_pages) || !m_file.Sync()) {
        m_failed = true;
        return false;
    }
    return true;
}

bool CaptureFile::EndBrokenPage() {
    if (!m_file.IsOpen() || m_failed || m_pages == 0)
        return false;
    const int ended = m_pages;
    const uint32_t endedLength = m_pageStart;
    // Written with the page count that counts the broken page.
    m_header[capture::kEndedPagesOffset] = static_cast<uint8_t>(ended);
    PutLe32(m_header.data() + capture::kEndedLengthOffset, endedLength);
    return EndPage(false);
}

uint32_t CaptureFile::EndedLength() const {
    return GetLe32(m_header.data() + capture::kEndedLengthOffset);
}

std::string CaptureFile::DigestOfData(uint32_t length) const {
    QFile file(QFile::decodeName(QByteArray::fromStdString(m_path)));
    if (!file.open(QIODevice::ReadOnly) || !file.seek(kHeaderSize))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha1);
    char buffer[65536];
    for (uint32_t left = length; left > 0;) {
        const qint64 got = file.read(buffer, std::min<qint64>(left, sizeof buffer));
        if (got <= 0)
            return {};
        hash.addData(QByteArrayView(buffer, got));
        left -= static_cast<uint32_t>(got);
    }
    return hash.result().toHex().toStdString();
}

bool CaptureFile::Finish(int pageCount) {
    if (!m_file.IsOpen())
        return false;
    // The table behind the data: the pages as the modem ended them.
    std::vector<uint8_t> table;
    const size_t entries = std::min(m_pageSpans.size(), static_cast<size_t>(std::max(pageCount, 0)));
    const auto put = [&table](uint32_t value) {
        for (size_t i = 0; i < 4; ++i)
            table.push_back(static_cast<uint8_t>(value >> (8 * i)));
    };
    for (size_t i = 0; i < entries; ++i) {
        put(m_pageSpans[i].first);
        put(m_pageSpans[i].second);
    }
    put(static_cast<uint32_t>(entries));
    table.insert(table.end(), kPageTableMark, kPageTableMark + 4);
    // Pages that were counted without their ends (none, as the read counts them) leave the capture
    // without a table, to be split at its RTCs.
    const bool withTable = entries == static_cast<size_t>(pageCount);
    bool written = !m_failed && (!withTable || m_file.Append(table.data(), table.size()));
    written = written && WriteCountAndLength(pageCount) && m_file.Sync();
    written = m_file.Close() && written;
    return written;
}

bool CaptureFile::RewritePageCount(int pageCount) {
    std::FILE* capture = std::fopen(m_path.c_str(), "r+b");
    if (!capture)
        return false;
    const bool written = std::fseek(capture, kPageCountOffset, SEEK_SET) == 0 && std::fputc(pageCount, capture) != EOF;
    return std::fclose(capture) == 0 && written;
}

bool CaptureFile::NamePageFile(const std::string& fileName) {
    if (fileName.size() >= capture::kPageFileLength)
        return false;
    std::fill_n(m_header.begin() + capture::kPageFileOffset, capture::kPageFileLength, uint8_t{0});
    std::memcpy(m_header.data() + capture::kPageFileOffset, fileName.data(), fileName.size());
    SyncedFile file;
    if (!file.OpenExisting(m_path))
        return false;
    const bool written =
        file.WriteAt(capture::kPageFileOffset, m_header.data() + capture::kPageFileOffset, capture::kPageFileLength) &&
        file.Sync();
    return file.Close() && written;
}

std::string CaptureFile::PageFileName() const {
    const char* start = reinterpret_cast<const char*>(m_header.data() + capture::kPageFileOffset);
    return std::string(start, ::strnlen(start, capture::kPageFileLength - 1));
}

void CaptureFile::Remove() {
    Close();
    if (!m_path.empty())
        std::remove(m_path.c_str());
}

bool CaptureFile::Adopt(const std::string& path) {
    Close();
    m_path = path;
    m_dataLength = 0;
    m_pages = 0;
    m_failed = false;
    m_unendedTail = false;
    m_header.fill(0);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    const bool read = std::fread(m_header.data(), 1, m_header.size(), file) == m_header.size();
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    m_pages = m_header[kPageCountOffset];
    m_dataLength = GetLe32(m_header.data() + kDataLengthOffset);
    const unsigned long counted = kHeaderSize + static_cast<unsigned long>(m_dataLength);
    // No page table behind the pages: the read stopped before the modem said the fax had ended (a
    // crash in a page, between two, or before the last page's end was confirmed), and the modem
    // most likely still holds the fax. It is a broken one: kept as far as it came, and replaced
    // when the modem plays it whole. Data behind the counted pages is a page that never ended.
    const unsigned long table = 8 * static_cast<unsigned long>(m_pages) + 8;
    char mark[4] = {};
    const bool finished = size >= 0 && static_cast<unsigned long>(size) == counted + table &&
                          std::fseek(file, size - 4, SEEK_SET) == 0 && std::fread(mark, 1, 4, file) == 4 &&
                          std::memcmp(mark, kPageTableMark, 4) == 0;
    std::fclose(file);
    if (!read || m_header[0] != 'G' || m_header[1] != '3' || m_pages == 0 || m_dataLength == 0 || size < 0 ||
        static_cast<unsigned long>(size) < counted)
        return false;
    m_unendedTail = !finished && static_cast<unsigned long>(size) > counted;
    if (!finished && !Broken()) {
        m_header[capture::kEndedPagesOffset] = static_cast<uint8_t>(m_pages);
        PutLe32(m_header.data() + capture::kEndedLengthOffset, m_dataLength);
    }
    return true;
}

std::string CaptureFile::Dcs() const {
    const char* start = reinterpret_cast<const char*>(m_header.data() + kDcsOffset);
    return std::string(start, ::strnlen(start, kDcsLength));
}

std::string CaptureFile::Id() const {
    const char* start = reinterpret_cast<const char*>(m_header.data() + kIdOffset);
    return std::string(start, ::strnlen(start, kIdLength));
}

void CaptureFile::SetAside(const std::string& programDirectory, const QDateTime& time, const QString& what) {
    Close();
    const QString directory = QFile::decodeName(QByteArray::fromStdString(programDirectory));
    const QString base = time.toString(QStringLiteral("yyyyMMddHHmmss")) + QLatin1Char('-') + what;
    QString target = directory + base + QStringLiteral(".TAM");
    for (int n = 2; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++n)
        target = directory + base + QStringLiteral("-%1.TAM").arg(n);
    const QByteArray from = QByteArray::fromStdString(m_path);
    const QByteArray to = QFile::encodeName(target);
    if (std::rename(from.constData(), to.constData()) == 0) {
        m_path = to.toStdString();
        return;
    }
    if (errno != EXDEV)
        return;
    // Another file system: the copy must be whole and on the disk before the capture goes. A copy
    // cut short (a full disk) is dropped and the capture stays where it is.
    QFile in(QFile::decodeName(from));
    DurableFile out(to.toStdString());
    if (!in.open(QIODevice::ReadOnly) || !out.Open())
        return;
    char buffer[65536];
    for (qint64 got = 0; (got = in.read(buffer, sizeof buffer)) != 0;) {
        if (got < 0 || !out.Write(buffer, static_cast<size_t>(got)))
            return;
    }
    if (out.Commit()) {
        in.remove();
        m_path = to.toStdString();
    }
}
