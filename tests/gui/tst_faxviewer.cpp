// SPDX-License-Identifier: GPL-3.0-or-later
// The fax viewer on real page files written by our writer from independently encoded pages: pages,
// true aspect (a normal-resolution line is two screen lines at zoom 1), zoom, rotation, the page
// keys, damaged and missing files; printing laid out on a PDF printer and measured by poppler;
// PDF export from the viewer.
#include "GuiTestSupport.h"
#include "app/MainWindow.h"
#include "core/platform/ProfileFile.h"
#include "support/TestSupport.h"
#include "ui/faxlist/FaxListView.h"
#include "ui/viewer/FaxOutput.h"
#include "ui/viewer/FaxViewerWindow.h"

#include "core/platform/Gbk.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPrinter>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// A test page as its independent coder's bitmap holds it.
QImage SourcePage(const QString& name) {
    QProcess unzip;
    unzip.start(QStringLiteral("zcat"),
                {QStringLiteral(FAXDESK_TEST_DATA_DIR "/pages/") + name + QStringLiteral(".pbm.gz")});
    unzip.waitForFinished(60000);
    return QImage::fromData(unzip.readAllStandardOutput(), "PBM");
}

// The smallest rectangle that holds every black pixel.
QRect InkBounds(const QImage& image) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 128) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}

} // namespace

class TestFaxViewer : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    RecordingMessageBoxService m_messages;
    AnsweringDocumentDialogs m_dialogs;
    ViewerServices m_services{m_messages, m_dialogs};

    FaxRecord Record(const QString& name, bool fine, const std::vector<std::string>& pages) {
        const QString path = m_dir.filePath(name);
        if (!pages.empty()) {
            [&] { QVERIFY(testsupport::MakeFaxPageFile(QFile::encodeName(path).toStdString(), fine, pages)); }();
        }
        FaxRecord record;
        record.section = "FAX1";
        record.file = gbk::FromNativePath(QFile::encodeName(path).toStdString());
        record.time = "2000/08/15  09:05:00";
        record.id = gbk::ToStd(QStringLiteral("上海 86"));
        record.fine = fine;
        return record;
    }

    static void Trigger(QWidget* window, const char* action) {
        QAction* a = window->findChild<QAction*>(QLatin1String(action));
        QVERIFY2(a != nullptr, action);
        a->trigger();
    }

private slots:
    void cleanup() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (qobject_cast<FaxViewerWindow*>(w)) {
                delete w;
            }
        }
        m_messages.shown.clear();
    }

    // Pages our writer made from independently coded ones, and pages other tools wrote (least
    // significant bit first; black as zero in strips of 37 lines), at 200 pixels per inch across:
    // each shown at its true aspect with the pixels of the source page, not of the viewer's own
    // decoding.
    void pagesAtTheirTrueAspect_data() {
        QTest::addColumn<QString>("tool"); // makes $D/a.tif from the test pages in $P; empty: our writer
        QTest::addColumn<bool>("fine");    // for our writer
        QTest::addColumn<int>("pageCount");
        QTest::addColumn<int>("lineHeight"); // screen lines per fax line at zoom 1
        QTest::newRow("fine") << QString() << true << 3 << 1;
        QTest::newRow("normal") << QString() << false << 3 << 2;
        QTest::newRow("fax2tiff") << QStringLiteral("fax2tiff -M -o $D/a.tif $P/checker.g3 && tiffset -s 282 200 "
                                                    "$D/a.tif && tiffset -s 283 200 $D/a.tif")
                                  << true << 1 << 1;
        QTest::newRow("tiffcp black is zero")
            << QStringLiteral("zcat $P/checker.pbm.gz | pnmtotiff -xresolution 200 -yresolution 100 > $D/raw.tif && "
                              "tiffcp -c g3 $D/raw.tif $D/a.tif")
            << false << 1 << 2;
    }
    void pagesAtTheirTrueAspect() {
        QFETCH(QString, tool);
        QFETCH(bool, fine);
        QFETCH(int, pageCount);
        QFETCH(int, lineHeight);
        FaxRecord record = Record(QStringLiteral("a.tif"), fine,
                                  tool.isEmpty() ? std::vector<std::string>{"checker", "text-fine", "black-line"}
                                                 : std::vector<std::string>{});
        if (!tool.isEmpty()) {
            QProcess make;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("D"), m_dir.path());
            environment.insert(QStringLiteral("P"), QStringLiteral(FAXDESK_TEST_DATA_DIR "/pages"));
            make.setProcessEnvironment(environment);
            make.start(QStringLiteral("sh"), {QStringLiteral("-c"), tool});
            QVERIFY(make.waitForFinished(60000));
            QVERIFY2(make.exitCode() == 0, make.readAllStandardError().constData());
        }
        FaxViewerWindow viewer(record, m_services);
        viewer.resize(900, 700);
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QCOMPARE(viewer.PageCount(), pageCount);
        QCOMPARE(viewer.PageText(), QStringLiteral("第 1 页，共 %1 页").arg(pageCount));
        QCOMPARE(viewer.findChild<QListWidget*>(QStringLiteral("pageStrip"))->count(), pageCount);
        QVERIFY(viewer.findChild<QLabel*>(QStringLiteral("senderLabel"))->text().contains(QStringLiteral("上海 86")));
        QVERIFY(
            viewer.findChild<QLabel*>(QStringLiteral("senderLabel"))->text().contains(QStringLiteral("2000/08/15")));

        const QImage source = SourcePage(QStringLiteral("checker"));
        QCOMPARE(source.width(), 1728);

        // Fit width (the start): the page fills the width, its height follows the true aspect.
        const int rows = viewer.Images().Page(0).height();
        QVERIFY(rows >= source.height());
        FaxPageView* view = viewer.PageView();
        QCOMPARE(view->CurrentFit(), FaxPageView::Fit::Width);
        const QSize drawn = view->DrawnSize();
        QVERIFY(qAbs(drawn.width() - (view->viewport()->width() - 16)) <= 1);
        QVERIFY(qAbs(drawn.height() - drawn.width() * rows * lineHeight / 1728) <= 2);

        // At zoom 1 every fax pixel is one screen pixel across and `lineHeight` down.
        view->SetZoom(1.0);
        QCOMPARE(view->DrawnSize(), QSize(1728, rows * lineHeight));
        const QImage screen = view->viewport()->grab().toImage();
        const int left = (view->viewport()->width() - 1728) / 2 > 8 ? (view->viewport()->width() - 1728) / 2 : 8;
        int compared = 0, differ = 0;
        for (int y = 0; y < qMin(screen.height() - 8, source.height() * lineHeight); ++y) {
            for (int x = 0; x < qMin(screen.width() - left, 1728); x += 3) {
                const bool black = qGray(source.pixel(x, y / lineHeight)) < 128;
                const bool shownBlack = qGray(screen.pixel(left + x, 8 + y)) < 128;
                ++compared;
                differ += black != shownBlack;
            }
        }
        QVERIFY(compared > 10000);
        QCOMPARE(differ, 0);
    }

    void keysWheelZoomRotationAndStrip() {
        FaxViewerWindow viewer(Record(QStringLiteral("k.tif"), false, {"checker", "black-line", "text-normal-fill"}),
                               m_services);
        viewer.show();
        QApplication::setActiveWindow(&viewer);
        QVERIFY(QTest::qWaitForWindowActive(&viewer));
        FaxPageView* view = viewer.PageView();
        view->setFocus();

        const struct {
            Qt::Key key;
            int page;
        } keys[] = {{Qt::Key_PageDown, 1}, {Qt::Key_PageDown, 2}, {Qt::Key_PageDown, 2}, {Qt::Key_Home, 0},
                    {Qt::Key_PageUp, 0},   {Qt::Key_End, 2},      {Qt::Key_PageUp, 1}};
        for (const auto& k : keys) {
            QTest::keyClick(view, k.key);
            QCOMPARE(viewer.CurrentPage(), k.page);
        }
        QCOMPARE(viewer.PageText(), QStringLiteral("第 2 页，共 3 页"));
        auto* strip = viewer.findChild<QListWidget*>(QStringLiteral("pageStrip"));
        QCOMPARE(strip->currentRow(), 1);
        strip->setCurrentRow(2);
        QCOMPARE(viewer.CurrentPage(), 2);
        // Thumbnails arrive after the first page, one per pass of the event loop.
        QTRY_VERIFY(!strip->item(2)->icon().isNull());

        const QSize upright = view->DrawnSize();
        const double zoom = view->Zoom();
        QTest::keyClick(view, Qt::Key_Plus, Qt::ControlModifier);
        QVERIFY(qAbs(view->Zoom() - zoom * 1.25) < 1e-9);
        QCOMPARE(view->CurrentFit(), FaxPageView::Fit::None);
        QTest::keyClick(view, Qt::Key_Minus, Qt::ControlModifier);
        QVERIFY(qAbs(view->Zoom() - zoom) < 1e-9);
        QWheelEvent wheel(QPointF(50, 50), view->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, 240), Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view->viewport(), &wheel);
        QVERIFY(qAbs(view->Zoom() - zoom * 1.25 * 1.25) < 1e-9);

        // A quarter turn lays the page on its side; four bring it back.
        view->SetZoom(zoom);
        QTest::keyClick(view, Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(view->Rotation(), 90);
        QCOMPARE(view->DrawnSize(), upright.transposed());
        QTest::keyClick(view, Qt::Key_L, Qt::ControlModifier);
        QTest::keyClick(view, Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(view->Rotation(), 270);
        Trigger(&viewer, "actionRotateRight");
        QCOMPARE(view->Rotation(), 0);

        // Fit page: the whole page in the window, also on its side.
        Trigger(&viewer, "actionFitPage");
        Trigger(&viewer, "actionRotateRight");
        const QSize room = view->viewport()->size() - QSize(16, 16);
        QVERIFY(view->DrawnSize().width() <= room.width() + 1 && view->DrawnSize().height() <= room.height() + 1);
        QVERIFY(view->DrawnSize().width() >= room.width() - 1 || view->DrawnSize().height() >= room.height() - 1);
    }

    void damagedOrMissingFilesSaySoInTheWindow_data() {
        QTest::addColumn<QByteArray>("bytes"); // empty: no file at all
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << QByteArray() << QStringLiteral("无法打开传真文件");
        QTest::newRow("not a TIFF") << QByteArray("This is no fax.\n") << QStringLiteral("传真文件已损坏");
        QTest::newRow("header only") << QByteArray("II*\0\0\0\0\0", 8) << QStringLiteral("传真文件已损坏");
    }
    void damagedOrMissingFilesSaySoInTheWindow() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        const FaxRecord record = Record(QStringLiteral("bad.tif"), true, {});
        QFile::remove(m_dir.filePath(QStringLiteral("bad.tif")));
        if (!bytes.isEmpty()) {
            testsupport::WriteFile(QFile::encodeName(m_dir.filePath(QStringLiteral("bad.tif"))).toStdString(),
                                   bytes.toStdString());
        }
        FaxViewerWindow viewer(record, m_services);
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QVERIFY(!viewer.Loaded());
        QVERIFY2(viewer.MessageText().contains(message), qPrintable(viewer.MessageText()));
        QVERIFY(!viewer.findChild<QAction*>(QStringLiteral("actionPrint"))->isEnabled());
        QTest::keyClick(viewer.PageView(), Qt::Key_PageDown); // nothing to page through, nothing breaks
        QVERIFY(m_messages.shown.empty());                    // said in the window, not in a box
    }

    // A file put together to take the memory: pages larger than any fax page are not decoded (the
    // window says so), and of a fax of many pages only the last few shown stay decoded, each
    // decoded again, whole, when it is shown again.
    void largePagesAreRefusedAndFewPagesStayDecoded() {
        const QString huge = m_dir.filePath(QStringLiteral("huge.tif"));
        testsupport::WriteFile(QFile::encodeName(huge).toStdString(),
                               testsupport::CraftedTiff(std::string(4000, '\0'),
                                                        std::vector<testsupport::CraftedPage>(
                                                            25, testsupport::CraftedPage{10000, 65535, {{8, 4000}}})));
        FaxRecord hugeRecord = Record(QStringLiteral("huge.tif"), true, {});
        FaxViewerWindow hostile(hugeRecord, m_services);
        hostile.show();
        QVERIFY(QTest::qWaitForWindowExposed(&hostile));
        QCOMPARE(hostile.PageCount(), 25);
        QVERIFY2(hostile.MessageText().contains(QStringLiteral("已损坏")), qPrintable(hostile.MessageText()));
        QVERIFY(hostile.Images().Damaged(0));

        FaxViewerWindow viewer(Record(QStringLiteral("six.tif"), true,
                                      {"checker", "text-fine", "black-line", "checker", "text-fine", "black-line"}),
                               m_services);
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        for (int page = 0; page < 6; ++page) {
            viewer.ShowPage(page);
            QVERIFY(viewer.Images().KeptPages() <= FaxPageImages::kKeptPages);
        }
        // The thumbnails are made page by page too.
        QTRY_COMPARE(viewer.findChild<QListWidget*>(QStringLiteral("pageStrip"))->item(5)->icon().isNull(), false);
        QVERIFY(viewer.Images().KeptPages() <= FaxPageImages::kKeptPages);
        const QImage again = viewer.Images().Page(0);
        QCOMPARE(again.size(), QSize(1728, SourcePage(QStringLiteral("checker")).height()));
        QCOMPARE(again.convertToFormat(QImage::Format_Grayscale8),
                 SourcePage(QStringLiteral("checker")).convertToFormat(QImage::Format_Grayscale8));
    }

    void aPageCutShortShowsItsLinesAndSaysWhere() {
        const FaxRecord record = Record(QStringLiteral("cut.tif"), true, {"checker", "text-fine"});
        const std::string path = QFile::encodeName(m_dir.filePath(QStringLiteral("cut.tif"))).toStdString();
        const std::string whole = testsupport::ReadFile(path);
        testsupport::WriteFile(path, whole.substr(0, whole.size() - 20000)); // the last strip loses its end
        FaxViewerWindow viewer(record, m_services);
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QCOMPARE(viewer.PageCount(), 2);
        QVERIFY(viewer.MessageText().isEmpty());
        viewer.ShowPage(1);
        QVERIFY2(viewer.MessageText().contains(QStringLiteral("第 2 页")), qPrintable(viewer.MessageText()));
    }

    // A sender's identification is text from the line: markup in it is shown as the characters it
    // is, not as a heading or a link.
    void senderTextIsShownAsText() {
        FaxRecord record = Record(QStringLiteral("m.tif"), true, {"checker"});
        record.id = "<h1>PAY NOW</h1>";
        FaxViewerWindow viewer(record, m_services);
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        const QLabel* sender = viewer.findChild<QLabel*>(QStringLiteral("senderLabel"));
        QVERIFY(sender->text().contains(QStringLiteral("<h1>PAY NOW</h1>")));
        QCOMPARE(sender->textFormat(), Qt::PlainText);
    }

    void oneWindowPerFax() {
        QWidget owner;
        const FaxRecord a = Record(QStringLiteral("one.tif"), true, {"checker"});
        const FaxRecord b = Record(QStringLiteral("two.tif"), true, {"checker"});
        FaxViewerWindow* first = OpenFaxViewer(a, m_services, &owner);
        FaxViewerWindow* second = OpenFaxViewer(b, m_services, &owner);
        QVERIFY(first != second);
        QCOMPARE(OpenFaxViewer(a, m_services, &owner), first);
        QVERIFY(first->isWindow() && first->isVisible());
        QVERIFY(first->testAttribute(Qt::WA_DeleteOnClose));
        QVERIFY(!first->isModal());
    }

    // ---- Printing -----------------------------------------------------------------------------

    void printLayout_data() {
        QTest::addColumn<bool>("fine");
        QTest::addColumn<int>("paper");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("sheets");
        QTest::addColumn<double>("xPpi"); // 1728 pixels over 215 mm: 204 per inch at real size, more when reduced
        QTest::addColumn<double>("yPpi");
        // A4 is 210 mm across, 200 mm within its 5 mm margins: the 215 mm page is reduced to that
        // width (219.5 per inch), and its 285 mm of length (1146 lines) with it, aspect kept.
        QTest::newRow("normal A4, all pages") << false << int(QPageSize::A4) << 0 << 0 << 3 << 219.5 << 109.7;
        QTest::newRow("fine A4, pages 2 to 3") << true << int(QPageSize::A4) << 2 << 3 << 2 << 219.5 << 219.5;
        // Letter is wide enough but shorter (269 mm within margins): the length decides.
        QTest::newRow("normal Letter") << false << int(QPageSize::Letter) << 1 << 1 << 1 << 216.1 << 108.0;
    }
    void printLayout() {
        QFETCH(bool, fine);
        QFETCH(int, paper);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, sheets);
        QFETCH(double, xPpi);
        QFETCH(double, yPpi);
        const QString page = fine ? QStringLiteral("text-fine") : QStringLiteral("text-normal-fill");
        const std::string name = page.toStdString();
        FaxViewerWindow viewer(Record(QStringLiteral("p.tif"), fine, {name, name, name}), m_services);
        m_dialogs.printTo = m_dir.filePath(QStringLiteral("printed.pdf"));
        m_dialogs.paper = QPageSize::PageSizeId(paper);
        m_dialogs.from = from;
        m_dialogs.to = to;
        QFile::remove(m_dialogs.printTo);
        Trigger(&viewer, "actionPrint");
        QCOMPARE(m_dialogs.pageCounts.last(), 3);
        QVERIFY(QFile::exists(m_dialogs.printTo));

        const QString info = Run(QStringLiteral("pdfinfo"), {m_dialogs.printTo});
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages: +%1\n").arg(sheets))), qPrintable(info));
        QVERIFY2(info.contains(paper == QPageSize::A4 ? QStringLiteral("(A4)") : QStringLiteral("(letter)")),
                 qPrintable(info));
        // pdfimages lists each drawn image with its resolution on the sheet: the real size.
        const QStringList images = Run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), m_dialogs.printTo})
                                       .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                                       .mid(2);
        QCOMPARE(images.size(), sheets);
        for (const QString& line : images) {
            const QStringList f = line.simplified().split(QLatin1Char(' '));
            QCOMPARE(f.value(3).toInt(), 1728);
            QVERIFY2(qAbs(f.value(12).toDouble() - xPpi) <= 1.5, qPrintable(line));
            QVERIFY2(qAbs(f.value(13).toDouble() - yPpi) <= 1.5, qPrintable(line));
        }
        // What the first sheet shows: poppler renders it at the image's own resolution (one fax
        // pixel a device pixel, as the print dialog promised the scale) and the fax's part of the
        // sheet must be the source page, not white, mirrored or turned.
        const QStringList first = images.first().simplified().split(QLatin1Char(' '));
        const QString sheetBase = m_dir.filePath(QStringLiteral("sheet"));
        Run(QStringLiteral("pdftoppm"),
            {QStringLiteral("-mono"), QStringLiteral("-singlefile"), QStringLiteral("-f"), QStringLiteral("1"),
             QStringLiteral("-l"), QStringLiteral("1"), QStringLiteral("-rx"), first.value(12), QStringLiteral("-ry"),
             first.value(13), m_dialogs.printTo, sheetBase});
        const QImage sheet(sheetBase + QStringLiteral(".pbm"));
        QVERIFY(!sheet.isNull());
        const QImage source = SourcePage(page);
        const QRect inSource = InkBounds(source);
        const QRect onSheet = InkBounds(sheet);
        QVERIFY(!inSource.isEmpty());
        // The ink covers the same area (within the rounding of the resolution pdfimages reports).
        QVERIFY2(qAbs(onSheet.width() - inSource.width()) <= inSource.width() / 100 + 1 &&
                     qAbs(onSheet.height() - inSource.height()) <= inSource.height() / 100 + 1,
                 qPrintable(QStringLiteral("ink %1x%2 on the sheet, %3x%4 on the page")
                                .arg(onSheet.width())
                                .arg(onSheet.height())
                                .arg(inSource.width())
                                .arg(inSource.height())));
        // Pixel for pixel, where a pixel resampled to its neighbour still counts as the same: a black
        // pixel needs black within one pixel on the other side.
        const auto blackNear = [](const QImage& image, int x, int y) {
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    if (image.valid(x + dx, y + dy) && qGray(image.pixel(x + dx, y + dy)) < 128) {
                        return true;
                    }
                }
            }
            return false;
        };
        int differ = 0;
        for (int y = inSource.top(); y <= inSource.bottom(); ++y) {
            const int sy = onSheet.top() + (y - inSource.top()) * onSheet.height() / inSource.height();
            for (int x = inSource.left(); x <= inSource.right(); ++x) {
                const int sx = onSheet.left() + (x - inSource.left()) * onSheet.width() / inSource.width();
                const bool black = qGray(source.pixel(x, y)) < 128;
                const bool shownBlack = qGray(sheet.pixel(sx, sy)) < 128;
                differ += (black && !blackNear(sheet, sx, sy)) || (shownBlack && !blackNear(source, x, y));
            }
        }
        const double share = double(differ) / (double(inSource.width()) * inSource.height());
        QVERIFY2(share < 0.001, qPrintable(QStringLiteral("%1% of the pixels differ").arg(share * 100)));
        QVERIFY(m_messages.shown.empty());

        // Cancelled: nothing printed.
        m_dialogs.printTo.clear();
        QFile::remove(m_dir.filePath(QStringLiteral("printed.pdf")));
        Trigger(&viewer, "actionPrint");
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("printed.pdf"))));
    }

    void sheetRectKeepsRealSizeOrShrinksToFit() {
        // 600 dpi, 200 mm by 280 mm of printable area, a page 1728 by 2000 at the true aspect.
        const QRectF area(0, 0, 200 / 25.4 * 600, 280 / 25.4 * 600);
        const QRectF real = faxoutput::SheetRect(QSizeF(1728, 1728), area, 600, 600);
        QVERIFY(qAbs(real.width() - area.width()) < 1e-6); // 215 mm does not fit 200: shrunk to the width
        QVERIFY(qAbs(real.height() - real.width()) < 1e-6);
        const QRectF wide(0, 0, 210 / 25.4 * 600, 2000);
        const QRectF shrunk = faxoutput::SheetRect(QSizeF(1728, 4000), wide, 600, 600);
        QCOMPARE(shrunk.height(), 2000.0);
        QVERIFY(qAbs(shrunk.width() - 2000.0 * 1728 / 4000) < 1e-6);
        QVERIFY(qAbs(shrunk.center().x() - wide.center().x()) < 1e-6);
    }

    // ---- The main window's commands ---------------------------------------------------------------

    void commandsFromTheMainWindowMarkTheFaxRead_data() {
        QTest::addColumn<QString>("action");
        QTest::newRow("preview") << QStringLiteral("actionPreviewFax");
        QTest::newRow("print") << QStringLiteral("actionPrintFax");
        QTest::newRow("export") << QStringLiteral("actionExportPdf");
        QTest::newRow("view, the external viewer not startable") << QStringLiteral("actionViewFax");
    }
    void commandsFromTheMainWindowMarkTheFaxRead() {
        QFETCH(QString, action);
        GuiFixture fixture(QStringLiteral("one-fax.ini"));
        QVERIFY(testsupport::MakeFaxPageFile(fixture.PathOf(QStringLiteral("20010101080000.TIF")), false,
                                             {"checker", "text-normal-fill"}));
        profile::WriteString(fixture.IniPath(), "DEZAZAZE", "ViewFax", "0");
        profile::WriteString(fixture.IniPath(), "DEZAZAZE", "FAXVIEW", "/no/such/viewer");
        fixture.shell.startResult = false;
        fixture.documents.printTo = fixture.Dir() + QStringLiteral("/printed.pdf");
        fixture.documents.saveTo = fixture.Dir() + QStringLiteral("/exported.pdf");
        MainWindow frame(fixture.services);
        frame.View()->SelectRow(0);
        Trigger(&frame, action.toLatin1().constData());

        QCOMPARE(frame.View()->Rows().Cell(0, FaxListView::kColumnRead), QStringLiteral("已阅"));
        QCOMPARE(profile::GetString(fixture.IniPath(), "FAX7", "READ", ""), std::string("1"));
        QVERIFY(fixture.messages.shown.empty());
        FaxViewerWindow* viewer = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* v = qobject_cast<FaxViewerWindow*>(w)) {
                viewer = v;
            }
        }
        const bool opensViewer =
            action == QLatin1String("actionPreviewFax") || action == QLatin1String("actionViewFax");
        QCOMPARE(viewer != nullptr, opensViewer);
        if (viewer) {
            QCOMPARE(viewer->PageCount(), 2);
            QVERIFY(viewer->windowTitle().contains(QStringLiteral("only one")));
        }
        QCOMPARE(QFile::exists(fixture.documents.printTo), action == QLatin1String("actionPrintFax"));
        QCOMPARE(QFile::exists(fixture.documents.saveTo), action == QLatin1String("actionExportPdf"));
    }

    void commandsWithoutASelectionOrWithTheDialogCancelledDoNothing() {
        GuiFixture fixture(QStringLiteral("one-fax.ini"));
        QVERIFY(testsupport::MakeFaxPageFile(fixture.PathOf(QStringLiteral("20010101080000.TIF")), true, {"checker"}));
        MainWindow frame(fixture.services);
        for (const char* action : {"actionPreviewFax", "actionPrintFax", "actionExportPdf"}) {
            Trigger(&frame, action); // nothing selected
        }
        frame.View()->SelectRow(0);
        Trigger(&frame, "actionPrintFax"); // both dialogs answer "cancel"
        Trigger(&frame, "actionExportPdf");
        QCOMPARE(fixture.documents.pageCounts, QList<int>{1});
        QCOMPARE(fixture.documents.titles, QStringList{QStringLiteral("导出为PDF")});
        QCOMPARE(frame.View()->Rows().Cell(0, FaxListView::kColumnRead), QStringLiteral("未阅"));
        QVERIFY(fixture.messages.shown.empty());
        for (QWidget* w : QApplication::topLevelWidgets()) {
            QVERIFY(!qobject_cast<FaxViewerWindow*>(w));
        }
    }

    // ---- Export -----------------------------------------------------------------------------------

    void exportFromTheViewer() {
        FaxViewerWindow viewer(Record(QStringLiteral("20000815090500.TIF"), true, {"checker", "black-line"}),
                               m_services);
        m_dialogs.saveTo = m_dir.filePath(QStringLiteral("out")); // ".pdf" is added
        Trigger(&viewer, "actionExportPdf");
        QVERIFY(m_dialogs.suggestions.last().endsWith(QStringLiteral("/20000815090500.pdf")));
        const QString info = Run(QStringLiteral("pdfinfo"), {m_dir.filePath(QStringLiteral("out.pdf"))});
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages: +2\n"))), qPrintable(info));
        QVERIFY2(info.contains(QStringLiteral("传真 上海 86 2000/08/15  09:05:00")), qPrintable(info));
        QVERIFY(m_messages.shown.empty());

        m_dialogs.saveTo = m_dir.filePath(QStringLiteral("no/such/folder/x.pdf"));
        Trigger(&viewer, "actionExportPdf");
        QCOMPARE(m_messages.Texts().size(), 1);
        QVERIFY(m_messages.Texts()[0].startsWith(QStringLiteral("无法写入PDF文件")));
    }
};

QTEST_MAIN(TestFaxViewer)
#include "tst_faxviewer.moc"
