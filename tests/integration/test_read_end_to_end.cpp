// SPDX-License-Identifier: GPL-3.0-or-later
// The read command from the main window to the files, in real time: the window's action, the real
// serial code over a pseudo-terminal, quorra-modem-sim playing three faxes made of the real test
// pages (one as ghostscript's fax device sends them, without RTC), our TIFF writer, RERAVA.INI, the
// list. The TIFF files are checked with libtiff's and netpbm's own tools against the pages' source
// images, pixel for pixel.
#include "GuiTestSupport.h"

#include "app/MainWindow.h"
#include "core/fax/FaxRecordStore.h"
#include "core/fax/FaxRetrieval.h"
#include "core/platform/ProfileFile.h"
#include "sim/QuorraModem.h"
#include "support/TestSupport.h"
#include "ui/faxlist/FaxListView.h"
#include "ui/kit/Status.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QtTest>

#include <string>
#include <vector>

namespace {

QString PagePath(const char* name, const char* extension) {
    return QStringLiteral(FAXDESK_TEST_DATA_DIR "/pages/") + QLatin1String(name) + QLatin1String(extension);
}

// Runs a shell command line; its standard output, or a null array when it failed.
QByteArray Run(const QString& commandLine, QString* errors = nullptr) {
    QProcess process;
    process.start(QStringLiteral("sh"), {QStringLiteral("-c"), commandLine});
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    if (errors)
        *errors = QString::fromLocal8Bit(process.readAllStandardError());
    QByteArray out = process.readAllStandardOutput();
    return out.isNull() ? QByteArray("") : out;
}

// A PBM image (plain P1 or raw P4) as width, height and packed rows.
struct Bitmap {
    int width = 0;
    int height = 0;
    QByteArray rows;
    bool operator==(const Bitmap&) const = default;
};

Bitmap ParsePbm(const QByteArray& bytes) {
    Bitmap image;
    qsizetype at = 0;
    auto token = [&]() {
        QByteArray text;
        while (at < bytes.size()) {
            const char c = bytes[at];
            if (c == '#') {
                while (at < bytes.size() && bytes[at] != '\n')
                    ++at;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                if (!text.isEmpty())
                    break;
                ++at;
            } else {
                text += c;
                ++at;
            }
        }
        return text;
    };
    const QByteArray magic = token();
    image.width = token().toInt();
    image.height = token().toInt();
    const int rowBytes = (image.width + 7) / 8;
    if (magic == "P4") {
        ++at; // the single white space after the height
        image.rows = bytes.mid(at, qsizetype(rowBytes) * image.height);
    } else if (magic == "P1") {
        image.rows = QByteArray(qsizetype(rowBytes) * image.height, '\0');
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) {
                while (at < bytes.size() && bytes[at] != '0' && bytes[at] != '1')
                    ++at;
                if (at < bytes.size() && bytes[at++] == '1')
                    image.rows[qsizetype(y) * rowBytes + x / 8] |= char(0x80 >> (x % 8));
            }
    }
    return image;
}

// The pages of a TIFF file as decoded by libtiff (tiffsplit) and netpbm (tifftopnm).
std::vector<Bitmap> DecodeTiff(const std::string& path, const QString& workDir) {
    std::vector<Bitmap> pages;
    const QString prefix = workDir + QStringLiteral("/page-");
    if (Run(QStringLiteral("rm -f '%1'*; tiffsplit '%2' '%1'").arg(prefix, QString::fromStdString(path))).isNull())
        return pages;
    const QStringList parts =
        QDir(workDir).entryList({QStringLiteral("page-*.tif")}, QDir::Files, QDir::Name); // aaa, aab, ...
    for (const QString& part : parts) {
        const QByteArray pnm = Run(QStringLiteral("tifftopnm '%1' 2>/dev/null").arg(workDir + u'/' + part));
        pages.push_back(ParsePbm(pnm));
    }
    return pages;
}

Bitmap SourcePage(const char* name) {
    return ParsePbm(Run(QStringLiteral("zcat '%1'").arg(PagePath(name, ".pbm.gz"))));
}

} // namespace

class TestReadEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void twoFaxesFromTheSimulatorIntoFilesAndList() {
        GuiFixture gui{QString()};
        const std::string ini = gui.IniPath();

        // The modem: two stored faxes, the second one's sender identification with line breaks in
        // it (it must not break RERAVA.INI).
        // A third fax as ghostscript's fax device sends its pages, without an RTC, with a page that is
        // only an RTC between them: two pages, each its own.
        const QString noRtcFine = gui.Dir() + QStringLiteral("/no-rtc-text-fine.t4");
        const QString noRtcChecker = gui.Dir() + QStringLiteral("/no-rtc-checker.t4");
        const QString rtcOnly = gui.Dir() + QStringLiteral("/rtc-only.t4");
        testsupport::WriteFile(noRtcFine.toStdString(),
                               quorra::WithoutRtc(testsupport::ReadFile(PagePath("text-fine", ".g3").toStdString())));
        testsupport::WriteFile(noRtcChecker.toStdString(),
                               quorra::WithoutRtc(testsupport::ReadFile(PagePath("checker", ".g3").toStdString())));
        testsupport::WriteFile(rtcOnly.toStdString(), std::string("\x00\x10\x01\x00\x10\x01\x00\x10\x01", 9));

        QProcess modem;
        modem.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        modem.start(QStringLiteral(FAXDESK_SIM_EXECUTABLE),
                    {QStringLiteral("--ini"), QString::fromStdString(ini), QStringLiteral("--fax"),
                     QStringLiteral("     +86 10 87654321:1:") + PagePath("text-fine", ".g3"), QStringLiteral("--fax"),
                     QStringLiteral("A\r\n[FAX]\r\nNUM=0:0:") + PagePath("text-normal-fill", ".g3") + u',' +
                         PagePath("black-line-fill", ".g3"),
                     QStringLiteral("--fax"),
                     QStringLiteral("GS FAX DEVICE:1:") + noRtcFine + u',' + rtcOnly + u',' + noRtcChecker});
        QVERIFY(modem.waitForStarted(5000));
        QVERIFY(modem.waitForReadyRead(5000));
        QVERIFY(!modem.readLine().trimmed().isEmpty());

        QtSerialBackendFactory ports{PortMap(ini, testsupport::NoFoundPorts())};
        const AppServices services{gui.clock,
                                   gui.wallClock,
                                   gui.pump,
                                   ports,
                                   gui.messages,
                                   gui.folders,
                                   gui.shell,
                                   gui.services.programPath,
                                   gui.services.programDirectory};
        MainWindow frame(services);
        frame.show();
        QCOMPARE(frame.View()->model()->rowCount(), 0);

        frame.Action(MenuCommand::ReadFaxes)->trigger();

        modem.terminate();
        modem.waitForFinished(5000);

        QVERIFY(gui.messages.shown.empty());
        QVERIFY(frame.isEnabled());
        QVERIFY(!status::IsBusy());
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(status::StatusText(), retrieval::kIdleText.toString());

        // Three records, in the order the modem played them, and the file still whole.
        FaxRecordStore store;
        store.OpenStoreAt(ini);
        std::vector<FaxRecord> records;
        store.LoadRecords([&](const FaxRecord& record) { records.push_back(record); });
        QCOMPARE(records.size(), size_t(3));
        QCOMPARE(profile::GetInt(ini, "FAX", "NUM", 0), 3);
        QCOMPARE(records[0].id, std::string("+86 10 87654321"));
        QCOMPARE(records[0].page, std::string("1"));
        QVERIFY(records[0].fine);
        QCOMPARE(records[1].id, std::string("A  [FAX]  NUM=0\""));
        QCOMPARE(records[1].page, std::string("2"));
        QVERIFY(!records[1].fine);
        const QString iniText = QString::fromStdString(gui.IniBytes());
        QCOMPARE(iniText.count(QStringLiteral("\r\n[FAX]\r\n")), 1); // the counter section, once
        QCOMPARE(iniText.count(QStringLiteral("\r\nNUM=")), 1);

        // The TIFF files: libtiff reads every strip, and the pages are the source images. The pages
        // are the coders' own output: ghostscript's RTC, pbmtog3 -align8's with fill in it.
        const std::vector<std::vector<const char*>> sources{
            {"text-fine"}, {"text-normal-fill", "black-line-fill"}, {"text-fine", "checker"}};
        QCOMPARE(records[2].page, std::string("2"));
        for (size_t fax = 0; fax < sources.size(); ++fax) {
            const std::string& file = records[fax].file;
            QVERIFY2(QFileInfo(QString::fromStdString(file))
                         .fileName()
                         .contains(QRegularExpression(QStringLiteral("^\\d{14}\\.TIF$"))),
                     file.c_str());
            QString errors;
            QVERIFY2(!Run(QStringLiteral("tiffinfo -D '%1'").arg(QString::fromStdString(file)), &errors).isNull(),
                     file.c_str());
            QVERIFY2(errors.isEmpty(), qPrintable(errors)); // not a warning either
            const std::vector<Bitmap> pages = DecodeTiff(file, gui.Dir());
            QCOMPARE(pages.size(), sources[fax].size());
            for (size_t page = 0; page < pages.size(); ++page) {
                const Bitmap expected = SourcePage(sources[fax][page]);
                QCOMPARE(expected.width, 1728);
                QCOMPARE(pages[page].width, expected.width);
                QCOMPARE(pages[page].height, expected.height);
                QVERIFY2(pages[page] == expected, sources[fax][page]);
            }
        }

        // The list shows both new faxes as unread.
        FaxListView* view = frame.View();
        QCOMPARE(view->model()->rowCount(), 3);
        QCOMPARE(view->Rows().Cell(0, FaxListView::kColumnRead), QStringLiteral("未阅"));
        QCOMPARE(view->Rows().Cell(1, FaxListView::kColumnRead), QStringLiteral("未阅"));
        QCOMPARE(view->Rows().Cell(0, FaxListView::kColumnPages), QStringLiteral("1"));
        QCOMPARE(view->Rows().Cell(1, FaxListView::kColumnPages), QStringLiteral("2"));
    }
};

QTEST_MAIN(TestReadEndToEnd)
#include "test_read_end_to_end.moc"
