// SPDX-License-Identifier: GPL-3.0-or-later
// The fax list: columns, rows from RERAVA.INI, the whole-row highlight, the shortened texts, and
// the view and delete commands with what they leave in RERAVA.INI.
#include "GuiTestSupport.h"

#include "core/platform/Gbk.h"
#include "core/platform/ProfileFile.h"
#include "ui/faxlist/FaxListView.h"
#include "ui/viewer/FaxViewerWindow.h"

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QtTest>

namespace {
QStringList RowTexts(const FaxListView& view, int row) {
    QStringList texts;
    for (int column = 0; column < 5; ++column)
        texts << view.Rows().Cell(row, column);
    return texts;
}

std::string Ini(const GuiFixture& fixture, const char* section, const char* key) {
    return profile::GetString(fixture.IniPath(), section, key, "(absent)");
}
} // namespace

class TestFaxListView : public QObject {
    Q_OBJECT
private slots:
    void columnsAndEmptyStore() {
        GuiFixture fixture(QStringLiteral("no-faxes.ini"));
        FaxReader reader = ReaderFor(fixture.services);
        FaxListView view(fixture.services, reader);
        const QStringList headers{QStringLiteral("读取时间"), QStringLiteral("对方ID"), QStringLiteral("阅览"),
                                  QStringLiteral("传真页数"), QStringLiteral("传真分辨率")};
        const int widths[] = {150, 200, 50, 100, 100};
        QCOMPARE(view.model()->columnCount(), 5);
        for (int column = 0; column < 5; ++column) {
            QCOMPARE(view.model()->headerData(column, Qt::Horizontal).toString(), headers[column]);
            QCOMPARE(view.columnWidth(column), widths[column]);
        }
        QCOMPARE(view.model()->rowCount(), 0);
        QCOMPARE(view.SelectedRow(), -1);
        QCOMPARE(view.selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(view.editTriggers(), QAbstractItemView::NoEditTriggers);
        QVERIFY(!view.isSortingEnabled());
        QCOMPARE(reader.ProgramDirectory(), fixture.PathOf(QString()) + "/");
        QVERIFY(!reader.CaptureDirectory().empty() && reader.CaptureDirectory().back() == '/');
    }

    // Gaps in the numbering, a record without ID and PAGE, a "NULL" time, READ and RES values other
    // than 1, FAX10 after FAX9, a GBK remote ID, and a fax whose last page broke off (FAX10).
    void rowsFromTheStore() {
        GuiFixture fixture(QStringLiteral("four-faxes-gaps-and-odd-values.ini"));
        FaxReader reader = ReaderFor(fixture.services);
        FaxListView view(fixture.services, reader);
        QCOMPARE(view.model()->rowCount(), 4);
        QCOMPARE(RowTexts(view, 0),
                 (QStringList{QStringLiteral("2000/08/15  09:05:00"), QStringLiteral("+86 10 12345678"),
                              QStringLiteral("已阅"), QStringLiteral("2"), QStringLiteral("高")}));
        QCOMPARE(RowTexts(view, 1), (QStringList{QStringLiteral("2000/08/16  10:00:00"), QString(),
                                                 QStringLiteral("未阅"), QString(), QStringLiteral("低")}));
        QCOMPARE(RowTexts(view, 2), (QStringList{QStringLiteral("2000/08/18  11:30:00"), QStringLiteral("北京分公司"),
                                                 QStringLiteral("未阅"), QStringLiteral("1"), QStringLiteral("低")}));
        QCOMPARE(RowTexts(view, 3),
                 (QStringList{QStringLiteral("2000/08/19  12:00:00"), QStringLiteral("0755 8888 0000"),
                              QStringLiteral("未阅"), QStringLiteral("3（不完整）"), QStringLiteral("高")}));
        // The row map ties the rows to FAX1, FAX3, FAX9, FAX10.
        QCOMPARE(view.Store().SectionOfRow(3), std::string("FAX10"));
        QCOMPARE(view.Store().SectionOfRow(2), std::string("FAX9"));
    }

    void shortenToFit_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("room"); // in widths of "M"
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << QString() << 0 << QString();
        QTest::newRow("fits") << QStringLiteral("MMM") << 10 << QStringLiteral("MMM");
        QTest::newRow("cut") << QStringLiteral("MMMMMMMMMMMMMMMMMMMM") << 10 << QStringLiteral("MMMMMMM...");
        QTest::newRow("one character stays") << QStringLiteral("MMMMM") << 0 << QStringLiteral("M...");
    }
    void shortenToFit() {
        QFETCH(QString, text);
        QFETCH(int, room);
        QFETCH(QString, expected);
        QFont font(QStringLiteral("DejaVu Sans Mono"));
        font.setStyleHint(QFont::Monospace);
        const QFontMetrics metrics(font);
        const int m = metrics.horizontalAdvance(QLatin1Char('M'));
        QCOMPARE(metrics.horizontalAdvance(QStringLiteral("...")) <= 3 * m, true);
        QCOMPARE(ShortenToFit(metrics, text, room * m + 4, 4), expected);
    }

    // Texts too wide for their column are drawn cut with "..." at their end.
    void longTextsAreShortenedWhenDrawn() {
        GuiFixture fixture{QString()};
        const std::string longId(300, 'W');
        fixture.Touch(QStringLiteral("RERAVA.INI"));
        profile::WriteString(fixture.IniPath(), "FAX", "NUM", "1");
        profile::WriteString(fixture.IniPath(), "FAX1", "TIME", "2000/08/15  09:05:00 and a great deal more text");
        profile::WriteString(fixture.IniPath(), "FAX1", "ID", longId);
        FaxReader reader = ReaderFor(fixture.services);
        FaxListView view(fixture.services, reader);
        struct Probe : ShortenDelegate {
            using ShortenDelegate::initStyleOption;
        } probe;
        for (int column : {0, 1}) {
            QStyleOptionViewItem cell;
            cell.initFrom(&view);
            cell.rect = QRect(0, 0, view.columnWidth(column), 20);
            probe.initStyleOption(&cell, view.model()->index(0, column));
            const int margin = column == 0 ? 4 : 12;
            QVERIFY2(cell.text.endsWith(QStringLiteral("...")), qPrintable(cell.text));
            QVERIFY(cell.text.size() > 4);
            QVERIFY(cell.fontMetrics.horizontalAdvance(cell.text) + margin <= cell.rect.width());
            QCOMPARE(cell.textElideMode, Qt::ElideNone);
        }
        QVERIFY(view.Rows().Cell(0, 1).size() == 254); // the model keeps the whole text
    }

    // The selected row is highlighted out to the window's right edge, beyond the last column, and
    // stays highlighted without the focus.
    void highlightReachesTheRightEdge() {
        GuiFixture fixture(QStringLiteral("four-faxes-gaps-and-odd-values.ini"));
        FaxReader reader = ReaderFor(fixture.services);
        FaxListView view(fixture.services, reader);
        view.resize(900, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.SelectRow(1);
        QCOMPARE(view.SelectedRow(), 1);
        view.clearFocus();
        const QColor highlight = view.palette().color(QPalette::Active, QPalette::Highlight);
        QCOMPARE(view.palette().color(QPalette::Inactive, QPalette::Highlight), highlight);

        const QImage image = view.viewport()->grab().toImage();
        const QRect row = view.visualRect(view.model()->index(1, 0));
        const int y = row.center().y();
        QVERIFY(600 < image.width() - 3);
        QCOMPARE(QColor(image.pixel(image.width() - 3, y)), highlight);
        QCOMPARE(QColor(image.pixel(620, y)), highlight);
        QVERIFY(QColor(image.pixel(image.width() - 3, view.visualRect(view.model()->index(0, 0)).center().y())) !=
                highlight);
    }

    void doubleClickRunsTheViewCommand() {
        GuiFixture fixture(QStringLiteral("four-faxes-gaps-and-odd-values.ini"));
        FaxReader reader = ReaderFor(fixture.services);
        FaxListView view(fixture.services, reader);
        view.resize(700, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QPoint onRow1 = view.visualRect(view.model()->index(1, 1)).center();
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, onRow1);
        QCOMPARE(view.SelectedRow(), 1);
        QCOMPARE(fixture.shell.opened, std::vector<std::string>{fixture.PathOf(QStringLiteral("20000816100000.TIF"))});
        QCOMPARE(view.Rows().Cell(1, FaxListView::kColumnRead), QStringLiteral("已阅"));
    }

    void doubleClickOnAnEmptyListDoesNothing() {
        GuiFixture fixture(QStringLiteral("no-faxes.ini"));
        const std::string before = fixture.IniBytes();
        FaxReader reader = ReaderFor(fixture.services);
        FaxListView view(fixture.services, reader);
        view.resize(700, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, QPoint(100, 100));
        QVERIFY(fixture.shell.opened.empty());
        QVERIFY(fixture.messages.shown.empty());
        QCOMPARE(fixture.IniBytes(), before);
    }

    // ViewFax / FAXVIEW combinations, the shell's answer, and what follows. A viewer never chosen or
    // gone leaves the fax to the desktop's program; where no outside program opens it, the built-in
    // viewer is tried (here without a page file it cannot show it either: the fax stays unread).
    void viewFax_data() {
        QTest::addColumn<QByteArray>("viewFax"); // empty: absent
        QTest::addColumn<QByteArray>("faxView"); // empty: absent
        QTest::addColumn<bool>("viewerExists");
        QTest::addColumn<bool>("startResult");
        QTest::addColumn<bool>("openResult");
        QTest::addColumn<QByteArray>("opened");      // what the desktop was asked to open
        QTest::addColumn<QByteArray>("commandLine"); // what was started
        QTest::addColumn<bool>("builtIn");           // the built-in viewer tried
        QTest::addColumn<bool>("markedRead");
        const QByteArray viewer = "/opt/tess view/tessview";
        const QByteArray none;
        QTest::newRow("ViewFax absent, viewer set: default program")
            << none << viewer << true << true << true << QByteArray("FILE") << none << false << true;
        QTest::newRow("ViewFax 1") << QByteArray("1") << none << true << true << true << QByteArray("FILE") << none
                                   << false << true;
        QTest::newRow("ViewFax 1, nothing opens it: built-in viewer")
            << QByteArray("1") << none << true << true << false << QByteArray("FILE") << none << true << false;
        QTest::newRow("ViewFax 0, viewer absent: default program")
            << QByteArray("0") << none << true << true << true << QByteArray("FILE") << none << false << true;
        QTest::newRow("ViewFax 0, viewer NULL: default program")
            << QByteArray("0") << QByteArray("NULL") << true << true << true << QByteArray("FILE") << none << false
            << true;
        QTest::newRow("ViewFax 0, viewer gone: default program")
            << QByteArray("0") << viewer << false << true << true << QByteArray("FILE") << none << false << true;
        QTest::newRow("ViewFax 0, viewer gone, nothing opens it: built-in viewer")
            << QByteArray("0") << viewer << false << true << false << QByteArray("FILE") << none << true << false;
        QTest::newRow("ViewFax 0, viewer null in lower case is a path")
            << QByteArray("0") << QByteArray("null") << true << true << true << none << QByteArray("null  FILE")
            << false << true;
        QTest::newRow("ViewFax 0, viewer starts")
            << QByteArray("0") << viewer << true << true << true << none << viewer + "  FILE" << false << true;
        QTest::newRow("ViewFax 0, viewer fails to start: built-in viewer")
            << QByteArray("0") << viewer << true << false << true << none << viewer + "  FILE" << true << false;
        QTest::newRow("ViewFax text: not 0")
            << QByteArray("abc") << viewer << true << true << true << none << viewer + "  FILE" << false << true;
    }
    void viewFax() {
        QFETCH(QByteArray, viewFax);
        QFETCH(QByteArray, faxView);
        QFETCH(bool, viewerExists);
        QFETCH(bool, startResult);
        QFETCH(bool, openResult);
        QFETCH(QByteArray, opened);
        QFETCH(QByteArray, commandLine);
        QFETCH(bool, builtIn);
        QFETCH(bool, markedRead);
        GuiFixture fixture(QStringLiteral("four-faxes-gaps-and-odd-values.ini"));
        if (!viewFax.isEmpty())
            profile::WriteString(fixture.IniPath(), "DEZAZAZE", "ViewFax", viewFax.toStdString());
        if (!faxView.isEmpty())
            profile::WriteString(fixture.IniPath(), "DEZAZAZE", "FAXVIEW", faxView.toStdString());
        fixture.shell.programExists = viewerExists;
        fixture.shell.startResult = startResult;
        fixture.shell.openResult = openResult;
        FaxReader reader = ReaderFor(fixture.services);
        FaxListView view(fixture.services, reader);
        view.SelectRow(1); // FAX3, unread
        view.OnViewFax();

        const std::string file = fixture.PathOf(QStringLiteral("20000816100000.TIF"));
        const auto expand = [&file](QByteArray text) { return text.replace("FILE", file.c_str()).toStdString(); };
        QCOMPARE(fixture.shell.opened,
                 opened.isEmpty() ? std::vector<std::string>{} : std::vector<std::string>{expand(opened)});
        QCOMPARE(fixture.shell.commandLines,
                 commandLine.isEmpty() ? std::vector<std::string>{} : std::vector<std::string>{expand(commandLine)});
        if (!commandLine.isEmpty())
            QCOMPARE(fixture.shell.started.front().second, file);
        std::vector<FaxViewerWindow*> viewers;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* v = qobject_cast<FaxViewerWindow*>(w))
                viewers.push_back(v);
        QCOMPARE(viewers.size(), size_t(builtIn ? 1 : 0));
        for (FaxViewerWindow* v : viewers)
            delete v;
        if (!builtIn)
            QVERIFY(fixture.messages.shown.empty());
        QCOMPARE(Ini(fixture, "FAX3", "READ"), std::string(markedRead ? "1" : "2"));
        QCOMPARE(view.Rows().Cell(1, FaxListView::kColumnRead),
                 markedRead ? QStringLiteral("已阅") : QStringLiteral("未阅"));
        // No reload: the selection stays, the other rows are untouched.
        QCOMPARE(view.SelectedRow(), 1);
        QCOMPARE(view.Rows().Cell(2, FaxListView::kColumnRead), QStringLiteral("未阅"));
    }

    void viewTrimsThePathForTheDesktop() {
        GuiFixture fixture(QStringLiteral("one-fax.ini"));
        profile::WriteString(fixture.IniPath(), "FAX7", "FILE", "  /tmp/x y.TIF\t");
        FaxReader reader = ReaderFor(fixture.services);
        FaxListView view(fixture.services, reader);
        view.SelectRow(0);
        view.OnViewFax();
        QCOMPARE(fixture.shell.opened, std::vector<std::string>{"/tmp/x y.TIF"});
    }

    void commandsWithoutSelectionDoNothing() {
        GuiFixture fixture(QStringLiteral("four-faxes-gaps-and-odd-values.ini"));
        FaxReader reader = ReaderFor(fixture.services);
        FaxListView view(fixture.services, reader);
        const std::string before = fixture.IniBytes();
        view.OnViewFax();
        view.OnDeleteFax();
        QCOMPARE(view.model()->rowCount(), 4);
        QCOMPARE(fixture.IniBytes(), before);
        QVERIFY(fixture.shell.opened.empty() && fixture.messages.shown.empty());
    }

    // A row whose row-map entries are gone (the file edited meanwhile): neither command takes
    // "NULL" for a path or a section.
    void missingRowMapEntryIsNotActedOn() {
        GuiFixture fixture(QStringLiteral("four-faxes-gaps-and-odd-values.ini"));
        FaxReader reader = ReaderFor(fixture.services);
        FaxListView view(fixture.services, reader);
        view.Store().DropRowMap();
        const std::string before = fixture.IniBytes();
        view.SelectRow(1);
        view.OnViewFax();
        view.OnDeleteFax();
        QVERIFY(fixture.shell.opened.empty());
        QCOMPARE(fixture.IniBytes(), before);
        QCOMPARE(Ini(fixture, "NULL", "READ"), std::string("(absent)"));
        QCOMPARE(view.model()->rowCount(), 4);
    }

    void deleteMiddleRow() {
        GuiFixture fixture(QStringLiteral("four-faxes-gaps-and-odd-values.ini"));
        fixture.Touch(QStringLiteral("20000815090500.TIF"));
        fixture.Touch(QStringLiteral("20000816100000.TIF"));
        FaxReader reader = ReaderFor(fixture.services);
        FaxListView view(fixture.services, reader);
        view.SelectRow(1); // FAX3
        view.OnDeleteFax();

        QVERIFY(!QFile::exists(QString::fromStdString(fixture.PathOf(QStringLiteral("20000816100000.TIF")))));
        QVERIFY(QFile::exists(QString::fromStdString(fixture.PathOf(QStringLiteral("20000815090500.TIF")))));
        QCOMPARE(Ini(fixture, "FAX3", "TIME"), std::string("(absent)"));
        QCOMPARE(Ini(fixture, "FAX", "NUM"), std::string("10"));
        QCOMPARE(view.model()->rowCount(), 3);
        QCOMPARE(view.Rows().Cell(1, 0), QStringLiteral("2000/08/18  11:30:00"));
        QCOMPARE(view.SelectedRow(), -1);
        // The row map names the remaining records densely from row 0, and nothing more.
        QCOMPARE(view.Store().SectionOfRow(0), std::string("FAX1"));
        QCOMPARE(view.Store().SectionOfRow(1), std::string("FAX9"));
        QCOMPARE(view.Store().SectionOfRow(2), std::string("FAX10"));
        QCOMPARE(view.Store().SectionOfRow(3), std::string("NULL"));
        QCOMPARE(view.Store().FileOfRow(3), std::string("NULL"));
    }

    // The only record, its page file already gone: the record is removed all the same.
    void deleteTheOnlyRowWhoseFileIsGone() {
        GuiFixture fixture(QStringLiteral("one-fax.ini"));
        FaxReader reader = ReaderFor(fixture.services);
        FaxListView view(fixture.services, reader);
        view.SelectRow(0);
        view.OnDeleteFax();
        QCOMPARE(view.model()->rowCount(), 0);
        const std::string ini = fixture.IniBytes();
        QVERIFY2(ini.find("[FAX7]") == std::string::npos, ini.c_str());
        QVERIFY2(ini.find("[TMP]") == std::string::npos, ini.c_str());
        QCOMPARE(Ini(fixture, "FAX", "NUM"), std::string("7"));
        QCOMPARE(Ini(fixture, "DEZAZAZE", "INSTALL"), std::string("1"));
    }

    // Ten thousand records, some without keys, with very long times and IDs: all listed, no crash.
    void manyAndOddRecords() {
        GuiFixture fixture{QString()};
        std::string ini = "[FAX]\r\nNUM=10000\r\n";
        for (int n = 1; n <= 10000; ++n) {
            ini += "[FAX" + std::to_string(n) + "]\r\nTIME=";
            ini += n % 100 == 0 ? std::string(400, '9') : "2000/08/15  09:05:00";
            ini += "\r\n";
            if (n % 3 != 0)
                ini += "ID=" + std::string(n % 7 == 0 ? 600 : 10, 'A') + "\r\nPAGE=1\r\nREAD=1\r\n";
        }
        QFile file(QString::fromStdString(fixture.IniPath()));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ini.data(), qint64(ini.size()));
        file.close();
        FaxReader reader = ReaderFor(fixture.services);
        FaxListView view(fixture.services, reader);
        view.resize(700, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCOMPARE(view.model()->rowCount(), 10000);
        QCOMPARE(view.Rows().Cell(99, 0).size(), 254); // the profile hands on at most 254 bytes
        view.scrollToBottom();
        view.SelectRow(9999);
        // The last row is painted in view, highlighted across its whole width.
        const QImage image = view.viewport()->grab().toImage();
        const QRect last = view.visualRect(view.model()->index(9999, 0));
        QVERIFY(image.rect().contains(last.center()));
        QCOMPARE(QColor(image.pixel(image.width() - 3, last.center().y())),
                 view.palette().color(QPalette::Inactive, QPalette::Highlight));
    }
};

QTEST_MAIN(TestFaxListView)
#include "tst_faxlistview.moc"
