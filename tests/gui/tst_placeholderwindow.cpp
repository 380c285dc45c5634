// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PlaceholderWindow.h"

#include <QStatusBar>
#include <QtTest>

class TestPlaceholderWindow : public QObject {
    Q_OBJECT
private slots:
    void showsTitleAndIdleText() {
        PlaceholderWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.windowTitle(), QStringLiteral("KorvelQuorraMODEM传真软件"));
        QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("KorvelQuorraMODEM传真处理程序"));
    }
};

QTEST_MAIN(TestPlaceholderWindow)
#include "tst_placeholderwindow.moc"
