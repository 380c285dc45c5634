// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/viewer/FaxViewerWindow.h"

#include "core/fax/FaxPdfExport.h"
#include "core/platform/Gbk.h"
#include "ui/kit/AppServices.h"
#include "ui/kit/DocumentDialogs.h"
#include "ui/viewer/FaxOutput.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {
constexpr double kZoomStep = 1.25;
constexpr double kMinZoom = 0.05;
constexpr double kMaxZoom = 8.0;
constexpr int kMargin = 8;          // grey around the page, screen pixels
constexpr int kThumbnailWidth = 96; // screen pixels
const QColor kBackground(128, 128, 128);

// A fax page reduced to about `size` in grey: first by whole factors across and down, each grey
// pixel the share of white in its block of fax pixels (cheap, and no thin stroke is lost), then
// the small rest smoothly by Qt. Reducing the full page smoothly in Qt alone costs far more.
QImage Reduced(const QImage& mono, const QSize& size) {
    const int fx = std::max(1, mono.width() / std::max(1, size.width()));
    const int fy = std::max(1, mono.height() / std::max(1, size.height()));
    QImage grey(mono.width() / fx, mono.height() / fy, QImage::Format_Grayscale8);
    if (grey.isNull()) {
        return {};
    }
    // Index 1 is black unless the colour table says the file has it the other way round.
    const bool oneIsBlack = mono.colorCount() < 2 || qGray(mono.color(1)) < 128;
    std::vector<int> black(static_cast<size_t>(grey.width()));
    const int area = fx * fy;
    for (int gy = 0; gy < grey.height(); ++gy) {
        std::fill(black.begin(), black.end(), 0);
        for (int y = gy * fy; y < (gy + 1) * fy; ++y) {
            const uchar* line = mono.constScanLine(y);
            for (int gx = 0; gx < grey.width(); ++gx) {
                int count = 0;
                for (int x = gx * fx; x < (gx + 1) * fx; ++x) {
                    count += (line[x >> 3] >> (7 - (x & 7))) & 1;
                }
                black[static_cast<size_t>(gx)] += count;
            }
        }
        uchar* out = grey.scanLine(gy);
        for (int gx = 0; gx < grey.width(); ++gx) {
            const int ones = black[static_cast<size_t>(gx)];
            out[gx] = static_cast<uchar>(255 * (oneIsBlack ? area - ones : ones) / area);
        }
    }
    return grey.size() == size ? grey : grey.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}
} // namespace

// ---- FaxPageView ----------------------------------------------------------------------------------

FaxPageView::FaxPageView(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName(QStringLiteral("faxPageView"));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(false);
}

void FaxPageView::SetPage(const QImage& image, const QSizeF& trueSize, const QString& message) {
    m_page = image;
    m_trueSize = trueSize;
    m_message = message;
    m_scaled = QImage();
    Relayout();
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

void FaxPageView::SetFit(Fit fit) {
    m_fit = fit;
    Relayout();
}

void FaxPageView::SetZoom(double zoom) {
    m_fit = Fit::None;
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    if (zoom != m_zoom) {
        m_zoom = zoom;
        m_scaled = QImage();
    }
    Relayout();
}

void FaxPageView::ZoomBy(double factor) {
    SetZoom(m_zoom * factor);
}

void FaxPageView::Rotate(int quarterTurns) {
    m_rotation = ((m_rotation + 90 * quarterTurns) % 360 + 360) % 360;
    m_scaled = QImage();
    Relayout();
}

QSizeF FaxPageView::RotatedTrueSize() const {
    return m_rotation % 180 == 0 ? m_trueSize : m_trueSize.transposed();
}

QSize FaxPageView::DrawnSize() const {
    const QSizeF size = RotatedTrueSize() * m_zoom;
    return {std::max(1, static_cast<int>(std::lround(size.width()))),
            std::max(1, static_cast<int>(std::lround(size.height())))};
}

void FaxPageView::Relayout() {
    const QSizeF page = RotatedTrueSize();
    const QSize room = viewport()->size() - QSize(2 * kMargin, 2 * kMargin);
    if (m_fit != Fit::None && !page.isEmpty() && room.width() > 0 && room.height() > 0) {
        double zoom = room.width() / page.width();
        if (m_fit == Fit::Page) {
            zoom = std::min(zoom, room.height() / page.height());
        }
        zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
        if (zoom != m_zoom) {
            m_zoom = zoom;
            m_scaled = QImage();
        }
    }
    const QSize drawn = DrawnSize() + QSize(2 * kMargin, 2 * kMargin);
    horizontalScrollBar()->setRange(0, std::max(0, drawn.width() - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    verticalScrollBar()->setRange(0, std::max(0, drawn.height() - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setSingleStep(40);
    emit ZoomChanged(m_zoom);
    viewport()->update();
}

void FaxPageView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), kBackground);
    if (m_page.isNull()) {
        painter.setPen(Qt::white);
        painter.drawText(viewport()->rect().adjusted(20, 20, -20, -20), Qt::AlignCenter | Qt::TextWordWrap, m_message);
        emit Painted();
        return;
    }
    const QSize drawn = DrawnSize();
    if (m_scaled.isNull()) {
        // Scaled once per zoom and turn: reduced smoothly through grey so that thin strokes stay
        // visible, enlarged pixel for pixel so that they stay sharp.
        const QSize upright = m_rotation % 180 == 0 ? drawn : drawn.transposed();
        const bool reduce = upright.width() < m_page.width();
        const QImage source = reduce ? m_page.convertToFormat(QImage::Format_Grayscale8) : m_page;
        m_scaled =
            source.scaled(upright, Qt::IgnoreAspectRatio, reduce ? Qt::SmoothTransformation : Qt::FastTransformation);
        if (m_rotation != 0) {
            m_scaled = m_scaled.transformed(QTransform().rotate(m_rotation));
        }
    }
    const int x = std::max(kMargin, (viewport()->width() - drawn.width()) / 2) - horizontalScrollBar()->value();
    const int y = kMargin - verticalScrollBar()->value();
    painter.drawImage(QPoint(x, y), m_scaled);
    emit Painted();
}

void FaxPageView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    Relayout();
}

void FaxPageView::wheelEvent(QWheelEvent* event) {
    if (event->modifiers() & Qt::ControlModifier) {
        const int steps = event->angleDelta().y() / 120;
        if (steps != 0) {
            ZoomBy(std::pow(kZoomStep, steps));
        }
        event->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

// ---- FaxViewerWindow ---------------------------------------------------------------------------------

FaxViewerWindow::FaxViewerWindow(const FaxRecord& record, const ViewerServices& services, QWidget* parent)
    : QMainWindow(parent, Qt::Window), m_record(record), m_pageFile(gbk::ToQString(record.file)),
      m_senderId(gbk::ToQString(record.id)), m_time(gbk::ToQString(record.time)), m_services(services) {
    setObjectName(QStringLiteral("faxViewer"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(
        QStringLiteral("传真预览 - %1").arg(m_senderId.isEmpty() ? m_time : m_senderId + QLatin1String("  ") + m_time));

    m_view = new FaxPageView(this);
    m_thumbnails = new QListWidget(this);
    m_thumbnails->setObjectName(QStringLiteral("pageStrip"));
    m_thumbnails->setViewMode(QListView::IconMode);
    m_thumbnails->setFlow(QListView::TopToBottom);
    m_thumbnails->setWrapping(false);
    m_thumbnails->setMovement(QListView::Static);
    m_thumbnails->setIconSize(QSize(kThumbnailWidth, kThumbnailWidth * 3 / 2));
    m_thumbnails->setFixedWidth(kThumbnailWidth + 40);
    m_thumbnails->setFocusPolicy(Qt::NoFocus);
    auto* split = new QSplitter(this);
    split->addWidget(m_thumbnails);
    split->addWidget(m_view);
    split->setStretchFactor(1, 1);
    setCentralWidget(split);

    QToolBar* tools = addToolBar(QStringLiteral("viewerTools"));
    tools->setObjectName(QStringLiteral("viewerTools"));
    tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    const auto add = [&](const char* name, const QString& text, QList<QKeySequence> keys, const QString& tip) {
        QAction* action = AddAction(name, text, keys.value(0), tip);
        action->setShortcuts(keys);
        tools->addAction(action);
        return action;
    };
    QAction* first =
        AddAction("actionFirstPage", QStringLiteral("首页"), QKeySequence(Qt::Key_Home), QStringLiteral("显示第一页"));
    QAction* previous = add("actionPreviousPage", QStringLiteral("上一页"), {QKeySequence(Qt::Key_PageUp)},
                            QStringLiteral("显示上一页 (PgUp)"));
    QAction* next = add("actionNextPage", QStringLiteral("下一页"), {QKeySequence(Qt::Key_PageDown)},
                        QStringLiteral("显示下一页 (PgDn)"));
    QAction* last =
        AddAction("actionLastPage", QStringLiteral("末页"), QKeySequence(Qt::Key_End), QStringLiteral("显示最后一页"));
    tools->addSeparator();
    QAction* fitWidth = add("actionFitWidth", QStringLiteral("适合宽度"), {QKeySequence(Qt::CTRL | Qt::Key_2)},
                            QStringLiteral("按窗口宽度显示 (Ctrl+2)"));
    QAction* fitPage = add("actionFitPage", QStringLiteral("适合页面"), {QKeySequence(Qt::CTRL | Qt::Key_1)},
                           QStringLiteral("显示整页 (Ctrl+1)"));
    QAction* zoomIn =
        add("actionZoomIn", QStringLiteral("放大"),
            {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal), QKeySequence(Qt::Key_Plus)},
            QStringLiteral("放大 (Ctrl++)"));
    QAction* zoomOut =
        add("actionZoomOut", QStringLiteral("缩小"),
            {QKeySequence(Qt::CTRL | Qt::Key_Minus), QKeySequence(Qt::Key_Minus)}, QStringLiteral("缩小 (Ctrl+-)"));
    tools->addSeparator();
    QAction* left = add("actionRotateLeft", QStringLiteral("向左旋转"), {QKeySequence(Qt::CTRL | Qt::Key_L)},
                        QStringLiteral("逆时针旋转90° (Ctrl+L)"));
    QAction* right = add("actionRotateRight", QStringLiteral("向右旋转"), {QKeySequence(Qt::CTRL | Qt::Key_R)},
                         QStringLiteral("顺时针旋转90° (Ctrl+R)"));
    tools->addSeparator();
    QAction* print =
        add("actionPrint", QStringLiteral("打印..."), {QKeySequence::Print}, QStringLiteral("打印这份传真 (Ctrl+P)"));
    QAction* preview =
        add("actionPrintPreview", QStringLiteral("打印预览..."), {}, QStringLiteral("预览打印出的每一页"));
    QAction* pdf = add("actionExportPdf", QStringLiteral("导出为PDF..."), {QKeySequence(Qt::CTRL | Qt::Key_E)},
                       QStringLiteral("将这份传真导出为PDF文件 (Ctrl+E)"));
    QAction* close = AddAction("actionClose", QStringLiteral("关闭"), QKeySequence::Close, QString());
    close->setShortcuts({QKeySequence::Close, QKeySequence(Qt::Key_Escape)});

    connect(first, &QAction::triggered, this, [this] { ShowPage(0); });
    connect(previous, &QAction::triggered, this, [this] { ShowPage(m_page - 1); });
    connect(next, &QAction::triggered, this, [this] { ShowPage(m_page + 1); });
    connect(last, &QAction::triggered, this, [this] { ShowPage(PageCount() - 1); });
    connect(fitWidth, &QAction::triggered, this, [this] { m_view->SetFit(FaxPageView::Fit::Width); });
    connect(fitPage, &QAction::triggered, this, [this] { m_view->SetFit(FaxPageView::Fit::Page); });
    connect(zoomIn, &QAction::triggered, this, [this] { m_view->ZoomBy(kZoomStep); });
    connect(zoomOut, &QAction::triggered, this, [this] { m_view->ZoomBy(1 / kZoomStep); });
    connect(left, &QAction::triggered, this, [this] { m_view->Rotate(-1); });
    connect(right, &QAction::triggered, this, [this] { m_view->Rotate(1); });
    connect(print, &QAction::triggered, this, &FaxViewerWindow::OnPrint);
    connect(preview, &QAction::triggered, this, &FaxViewerWindow::OnPrintPreview);
    connect(pdf, &QAction::triggered, this, &FaxViewerWindow::OnExportPdf);
    connect(close, &QAction::triggered, this, &QWidget::close);
    connect(m_thumbnails, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) {
            ShowPage(row);
        }
    });

    // The sender's identification came from the line: shown as the text it is, never as markup.
    m_senderLabel = new QLabel(this);
    m_senderLabel->setObjectName(QStringLiteral("senderLabel"));
    m_senderLabel->setTextFormat(Qt::PlainText);
    m_pageLabel = new QLabel(this);
    m_pageLabel->setObjectName(QStringLiteral("pageLabel"));
    m_pageLabel->setTextFormat(Qt::PlainText);
    m_zoomLabel = new QLabel(this);
    m_zoomLabel->setObjectName(QStringLiteral("zoomLabel"));
    m_zoomLabel->setTextFormat(Qt::PlainText);
    statusBar()->addWidget(m_senderLabel, 1);
    statusBar()->addPermanentWidget(m_pageLabel);
    statusBar()->addPermanentWidget(m_zoomLabel);
    m_senderLabel->setText(QStringLiteral("对方ID：%1    时间：%2").arg(m_senderId, m_time));
    connect(m_view, &FaxPageView::ZoomChanged, this,
            [this](double zoom) { m_zoomLabel->setText(QStringLiteral("%1%").arg(std::lround(zoom * 100))); });

    resize(760, 900);
    if (!m_images.Open(m_pageFile)) {
        m_message = m_images.ErrorText();
        m_view->SetPage(QImage(), QSizeF(), m_message);
        for (QAction* action :
             {first, previous, next, last, fitWidth, fitPage, zoomIn, zoomOut, left, right, print, preview, pdf}) {
            action->setEnabled(false);
        }
        UpdateStatus();
        return;
    }
    for (int page = 0; page < PageCount(); ++page) {
        auto* item = new QListWidgetItem(QString::number(page + 1), m_thumbnails);
        item->setTextAlignment(Qt::AlignHCenter);
    }
    m_page = -1;
    ShowPage(0);
    // Thumbnails come after the first page is on screen, one per pass of the event loop.
    QTimer::singleShot(0, this, &FaxViewerWindow::MakeNextThumbnail);
}

FaxViewerWindow::~FaxViewerWindow() = default;

QAction* FaxViewerWindow::AddAction(const char* name, const QString& text, const QKeySequence& key,
                                    const QString& tip) {
    auto* action = new QAction(text, this);
    action->setObjectName(QLatin1String(name));
    if (!key.isEmpty()) {
        action->setShortcut(key);
    }
    action->setToolTip(tip);
    action->setStatusTip(tip);
    addAction(action); // its keys work wherever the focus is in this window
    return action;
}

void FaxViewerWindow::ShowPage(int page) {
    if (PageCount() == 0) {
        return;
    }
    page = std::clamp(page, 0, PageCount() - 1);
    if (page == m_page) {
        return;
    }
    m_page = page;
    const QImage& image = m_images.Page(page);
    m_message = image.isNull() ? m_images.ErrorText() : m_images.Damaged(page) ? m_images.ErrorText() : QString();
    m_view->SetPage(image, m_images.TrueSize(page), m_message);
    {
        const QSignalBlocker quiet(m_thumbnails);
        m_thumbnails->setCurrentRow(page);
    }
    UpdateStatus();
}

QString FaxViewerWindow::PageText() const {
    return PageCount() == 0 ? QString() : QStringLiteral("第 %1 页，共 %2 页").arg(m_page + 1).arg(PageCount());
}

QString FaxViewerWindow::MessageText() const {
    return m_message;
}

void FaxViewerWindow::UpdateStatus() {
    m_pageLabel->setText(PageText());
    if (!m_message.isEmpty()) {
        statusBar()->showMessage(m_message);
    } else {
        statusBar()->clearMessage();
    }
}

void FaxViewerWindow::MakeNextThumbnail() {
    if (m_thumbnailsMade >= PageCount()) {
        return;
    }
    const int page = m_thumbnailsMade++;
    const QImage& image = m_images.Page(page);
    if (!image.isNull()) {
        const QSizeF size = m_images.TrueSize(page);
        const int height = std::max(1, static_cast<int>(std::lround(kThumbnailWidth * size.height() / size.width())));
        const QImage thumb = Reduced(image, QSize(kThumbnailWidth, height));
        m_thumbnails->item(page)->setIcon(QIcon(QPixmap::fromImage(thumb)));
    }
    QTimer::singleShot(0, this, &FaxViewerWindow::MakeNextThumbnail);
}

void FaxViewerWindow::OnPrint() {
    faxoutput::PrintFax(this, m_services.dialogs, m_services.messages, m_images, windowTitle());
}

void FaxViewerWindow::OnPrintPreview() {
    faxoutput::PreviewFax(this, m_services.dialogs, m_images, windowTitle());
}

void FaxViewerWindow::OnExportPdf() {
    faxoutput::ExportPdf(this, m_services.dialogs, m_services.messages, {FaxPdfExport::SourceOfRecord(m_record)},
                         faxoutput::SuggestedPdfPath(m_pageFile));
}

ViewerServices ViewerServicesOf(const AppServices& services) {
    return {services.messages, Documents(services)};
}

FaxViewerWindow* OpenFaxViewer(const FaxRecord& record, const ViewerServices& services, QWidget* parent) {
    const QString pageFile = gbk::ToQString(record.file);
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* viewer = qobject_cast<FaxViewerWindow*>(window);
        if (viewer != nullptr && viewer->PageFile() == pageFile && !viewer->isHidden()) {
            viewer->raise();
            viewer->activateWindow();
            return viewer;
        }
    }
    auto* viewer = new FaxViewerWindow(record, services, parent);
    viewer->show();
    return viewer;
}
