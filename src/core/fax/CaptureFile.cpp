// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/fax/CaptureFile.h"

#include "core/platform/DurableFile.h"
#include "core/platform/TempFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>

CaptureFile::~CaptureFile() {
    Close();
}

void CaptureFile::Close() {
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
}

bool CaptureFile::Create(const std::string& directory, const std::string& dcs, const std::string& id) {
    Close();
    m_dataLength = 0;
    m_header.fill(0);
    m_header[0] = 'G';
    m_header[1] = '3';
    std::memcpy(m_header.data() + kDcsOffset, dcs.data(), std::min(dcs.size(), kDcsLength));
    std::memcpy(m_header.data() + kIdOffset, id.data(), std::min(id.size(), kIdLength));

    m_path = tempfile::CreateUnique(directory, "TAM");
    if (m_path.empty())
        return false;
    m_file = std::fopen(m_path.c_str(), "wb");
    if (!m_file) {
        std::remove(m_path.c_str());
        return false;
    }
    // Every write goes to the file at once, so a failure shows at the call that caused it; the
    // modem link's staging buffer already makes the writes large.
    std::setvbuf(m_file, nullptr, _IONBF, 0);
    // A header that cannot be written shows at the first page's data or at Finish.
    std::fwrite(m_header.data(), 1, m_header.size(), m_file);
    return true;
}

bool CaptureFile::Append(const char* data, size_t count) {
    if (!m_file)
        return false;
    if (count == 0)
        return true;
    if (std::fwrite(data, 1, count, m_file) != count)
        return false;
    m_dataLength += static_cast<uint32_t>(count);
    return true;
}

bool CaptureFile::Finish(int pageCount) {
    if (!m_file)
        return false;
    m_header[kPageCountOffset] = static_cast<uint8_t>(pageCount);
    for (size_t i = 0; i < 4; ++i)
        m_header[kDataLengthOffset + i] = static_cast<uint8_t>(m_dataLength >> (8 * i));
    bool written = std::fseek(m_file, kPageCountOffset, SEEK_SET) == 0 &&
                   std::fwrite(m_header.data() + kPageCountOffset, 1, 1, m_file) == 1;
    written = std::fseek(m_file, kDataLengthOffset, SEEK_SET) == 0 &&
              std::fwrite(m_header.data() + kDataLengthOffset, 1, 4, m_file) == 4 && written;
    Close();
    return written;
}

bool CaptureFile::RewritePageCount(int pageCount) {
    std::FILE* capture = std::fopen(m_path.c_str(), "r+b");
    if (!capture)
        return false;
    const bool written = std::fseek(capture, kPageCountOffset, SEEK_SET) == 0 && std::fputc(pageCount, capture) != EOF;
    return std::fclose(capture) == 0 && written;
}

void CaptureFile::Remove() {
    Close();
    if (!m_path.empty())
        std::remove(m_path.c_str());
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
    if (std::rename(from.constData(), to.constData()) == 0 || errno != EXDEV)
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
    if (out.Commit())
        in.remove();
}
