// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/platform/Gbk.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace gbk {

namespace {
bool IsAscii(const QByteArray& bytes) {
    return std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}
} // namespace

QString ToQString(const QByteArray& bytes) {
    // GBK keeps the ASCII bytes as they are, and most texts of a record (times, page counts, file
    // names) are plain ASCII: those need no converter, whose set-up costs more than the decoding.
    if (IsAscii(bytes))
        return QString::fromLatin1(bytes);
    QStringDecoder decoder("GBK");
    return decoder.decode(bytes);
}

Decoder::Decoder() : m_decoder("GBK") {}

QString Decoder::operator()(const std::string& bytes) {
    const QByteArray data = QByteArray::fromStdString(bytes);
    if (IsAscii(data))
        return QString::fromLatin1(data);
    // Each text on its own, as a fresh converter would take it: nothing of the last one carries over.
    m_decoder.resetState();
    return m_decoder.decode(data);
}

QString ToQString(const std::string& bytes) {
    return ToQString(QByteArray::fromStdString(bytes));
}

QByteArray FromQString(const QString& text) {
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

std::string ToStd(const QString& text) {
    return FromQString(text).toStdString();
}

int ByteLength(const QString& text) {
    return static_cast<int>(FromQString(text).size());
}

std::string FromNativePath(const std::string& nativePath) {
    return ToStd(QFile::decodeName(QByteArray::fromStdString(nativePath)));
}

std::string ToNativePath(const std::string& gbkPath) {
    return QFile::encodeName(ToQString(gbkPath)).toStdString();
}

bool SurvivesGbk(const std::string& nativePath) {
    return ToNativePath(FromNativePath(nativePath)) == nativePath;
}

} // namespace gbk
