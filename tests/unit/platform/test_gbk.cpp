// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Gbk.h"

#include <gtest/gtest.h>

TEST(Gbk, RoundTripsChineseTextAndCountsTwoBytesPerCharacter) {
    const QString text = QStringLiteral("KorvelQuorraMODEM传真处理程序");
    const QByteArray bytes = gbk::FromQString(text);
    EXPECT_EQ(bytes.size(), 17 + 6 * 2);
    EXPECT_EQ(gbk::ToQString(bytes), text);
    EXPECT_EQ(gbk::ByteLength(QStringLiteral("号码")), 4);
    // "传" is 0xB4 0xAB in code page 936.
    EXPECT_EQ(gbk::FromQString(QStringLiteral("传")), QByteArray("\xB4\xAB"));
}
