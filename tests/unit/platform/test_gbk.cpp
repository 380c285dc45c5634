// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/platform/Gbk.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(Gbk, RoundTripsChineseTextAndCountsTwoBytesPerCharacter) {
    const QString text = QStringLiteral("KorvelQuorraMODEM传真处理程序");
    const QByteArray bytes = gbk::FromQString(text);
    EXPECT_EQ(bytes.size(), 17 + 6 * 2);
    EXPECT_EQ(gbk::ToQString(bytes), text);
    EXPECT_EQ(gbk::ByteLength(QStringLiteral("号码")), 4);
    // "传" is 0xB4 0xAB in code page 936.
    EXPECT_EQ(gbk::FromQString(QStringLiteral("传")), QByteArray("\xB4\xAB"));
}

TEST(Gbk, ADecoderForManyTextsReadsEachAsAFreshConverterWould) {
    // A text cut inside a double-byte character must not lend its lead byte to the next text.
    const std::vector<std::string> texts = {
        "\xC9\xEE\xDB\xDA", "2000/08/15  09:05:00", "\xB4", "\xAB\xD5\xE6", "", "A\xB4\xAB", "\x80\xFF"};
    gbk::Decoder decode;
    for (const std::string& text : texts)
        EXPECT_EQ(decode(text), gbk::ToQString(QByteArray::fromStdString(text))) << text;
}
