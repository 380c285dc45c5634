// SPDX-License-Identifier: GPL-3.0-or-later
// Qt's own texts in Chinese whatever the system language (the tests run under LC_ALL=C.UTF-8), and
// the real message box with the details of a failed detection.
#include "app/QtChinese.h"
#include "ui/kit/MessageBoxService.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include <memory>

class TestQtChinese : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(InstallQtChinese(*QCoreApplication::instance())); }

    void messageBoxButtonsAndDetails() {
        QString okText;
        QStringList buttonTexts;
        QString details;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            okText = box->button(QMessageBox::Ok)->text();
            for (QAbstractButton* button : box->buttons())
                buttonTexts << button->text();
            details = box->detailedText();
            box->accept();
        });
        QtMessageBoxService messages;
        messages.ShowWithDetails(nullptr, QStringLiteral("检测调制解调器失败！"), MessageBoxService::Icon::Stop,
                                 QStringLiteral("COM1（/dev/ttyUSB0）：端口不存在。"));
        QCOMPARE(okText, QStringLiteral("确定"));
        QVERIFY2(buttonTexts.contains(QStringLiteral("显示详情...")), qPrintable(buttonTexts.join(u'|')));
        QCOMPARE(details, QStringLiteral("COM1（/dev/ttyUSB0）：端口不存在。"));
    }

    void textFieldContextMenu() {
        QLineEdit edit(QStringLiteral("87654321"));
        std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
        QStringList texts;
        for (QAction* action : menu->actions())
            texts << action->text().section(QLatin1Char('\t'), 0, 0); // without the shortcut
        QVERIFY2(texts.contains(QStringLiteral("复制(&C)")), qPrintable(texts.join(u'|')));
    }
};

QTEST_MAIN(TestQtChinese)
#include "tst_qtchinese.moc"
