// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <string>

// Everything that crosses a file or the serial line is code page 936 (GBK) bytes. The core keeps
// those bytes as they are; this is the one place where they become QString, at the widget edge.
namespace gbk {
QString ToQString(const QByteArray& bytes);
QString ToQString(const std::string& bytes);
// ToQString for many texts in a row (the rows of a long list): one converter for all of them.
class Decoder {
public:
    Decoder();
    QString operator()(const std::string& bytes);

private:
    QStringDecoder m_decoder;
};
QByteArray FromQString(const QString& text);
std::string ToStd(const QString& text);
// Length in GBK bytes, as the edit-field limits count it (a Chinese character counts two).
int ByteLength(const QString& text);
// Paths live in two spellings: the file system's own bytes (what the core opens files by) and the
// GBK text that RERAVA.INI keeps. These convert between them.
std::string FromNativePath(const std::string& nativePath);
std::string ToNativePath(const std::string& gbkPath);
// True when the path's GBK text leads back to the same path: every character of it has a GBK
// spelling and the file system's own spelling is what the conversion expects.
bool SurvivesGbk(const std::string& nativePath);
} // namespace gbk
