// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in fax viewer on a 20-page fine fax (the ghostscript text page, 2292 lines, written by
// our FaxFileWriter): from creating the window to its first painted page, as the median of several
// runs on the offscreen platform (no X server, so only our own work and Qt's is timed). Processor
// time is given beside it: on a loaded machine the wall time says more about the other processes. The
// thumbnails that follow the first paint are timed apart: all 20 pages decoded and reduced.
//
// usage: bench_fax_viewer [runs]      prints bench/run's ROW line after its own report
#include "BenchRow.h"
#include "support/TestSupport.h"
#include "ui/kit/AppServices.h"
#include "ui/kit/DocumentDialogs.h"
#include "ui/kit/MessageBoxService.h"
#include "ui/viewer/FaxViewerWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

constexpr int kPages = 20;
constexpr double kTargetMs = 300;

class SilentMessages final : public MessageBoxService {
public:
    void Show(QWidget*, const QString& text, Icon) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    void ShowWithDetails(QWidget* parent, const QString& text, Icon icon, const QString& details) override {
        Show(parent, text + QStringLiteral("\n") + details, icon);
    }
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    QTemporaryDir dir;
    const std::string tif = QFile::encodeName(dir.filePath(QStringLiteral("fax.tif"))).toStdString();
    if (!testsupport::MakeFaxPageFile(tif, true, std::vector<std::string>(kPages, "text-fine"))) {
        std::fprintf(stderr, "cannot make the page file\n");
        return 1;
    }
    FaxRecord record;
    record.section = "FAX1";
    record.file = tif;
    record.time = "2000/08/15  09:05:00";
    record.id = "86 21 5555 0100";
    SilentMessages messages;
    QtDocumentDialogs documents;
    const ViewerServices services{messages, documents};

    std::vector<double> firstPaint, firstPaintCpu, thumbnails;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        const std::clock_t cpuStart = std::clock();
        auto* viewer = new FaxViewerWindow(record, services);
        QEventLoop loop;
        double painted = -1;
        QObject::connect(viewer->PageView(), &FaxPageView::Painted, &loop, [&] {
            if (painted < 0) {
                painted = clock.nsecsElapsed() / 1e6;
                loop.quit();
            }
        });
        viewer->show();
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        loop.exec();
        if (painted < 0 || viewer->PageCount() != kPages) {
            std::fprintf(stderr, "the viewer did not paint %d pages\n", kPages);
            return 1;
        }
        firstPaint.push_back(painted);
        firstPaintCpu.push_back(1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC);
        auto* strip = viewer->findChild<QListWidget*>(QStringLiteral("pageStrip"));
        while (strip->item(kPages - 1)->icon().isNull() && clock.elapsed() < 20000) {
            QCoreApplication::processEvents();
        }
        thumbnails.push_back(clock.nsecsElapsed() / 1e6 - painted);
        delete viewer;
    }
    const double ms = Median(firstPaint);
    std::printf("%d-page fine fax, median of %d runs (offscreen)\n", kPages, runs);
    std::printf("window created to first page painted  %8.1f ms  (processor time %.1f ms)\n", ms,
                Median(firstPaintCpu));
    std::printf("then all %d thumbnails                 %8.1f ms\n", kPages, Median(thumbnails));
    bench::PrintRow("9", bench::Format("%.0f ms to the first painted page of a 20-page fine fax", ms),
                    bench::Format("< %.0f ms", kTargetMs), ms < kTargetMs);
    return 0;
}
