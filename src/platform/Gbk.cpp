// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Gbk.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace gbk {

QString ToQString(const QByteArray& bytes) {
    QStringDecoder decoder("GBK");
    return decoder.decode(bytes);
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
