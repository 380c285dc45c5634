// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/viewer/FaxPageImages.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QMainWindow>
#include <QString>

class QLabel;
class QListWidget;
class QAction;
class DocumentDialogs;
class MessageBoxService;
struct AppServices;

// What the viewer needs from outside: the message boxes, and the print and save dialogs.
struct ViewerServices {
    MessageBoxService& messages;
    DocumentDialogs& dialogs;
};
// The viewer's services out of the program's.
ViewerServices ViewerServicesOf(const AppServices& services);

#include "core/fax/FaxRecordStore.h"

// The page on screen: drawn at its true aspect (lines stretched by the ratio of the resolutions),
// at a zoom that fits the width, fits the page or is set by hand, turned in 90° steps.
class FaxPageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum class Fit { Width, Page, None };
    explicit FaxPageView(QWidget* parent = nullptr);

    // The page (its image and true size in image pixels); a null image shows `message` instead.
    void SetPage(const QImage& image, const QSizeF& trueSize, const QString& message);
    void SetFit(Fit fit);
    void SetZoom(double zoom); // screen pixels per image pixel across; ends fitting
    void ZoomBy(double factor);
    void Rotate(int quarterTurns); // clockwise
    Fit CurrentFit() const { return m_fit; }
    double Zoom() const { return m_zoom; }
    int Rotation() const { return m_rotation; } // 0, 90, 180 or 270
    // The page as drawn, in screen pixels (after zoom and rotation).
    QSize DrawnSize() const;

signals:
    void ZoomChanged(double zoom);
    void Painted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void Relayout();
    QSizeF RotatedTrueSize() const;

    QImage m_page;
    QSizeF m_trueSize;
    QString m_message;
    Fit m_fit = Fit::Width;
    double m_zoom = 1.0;
    int m_rotation = 0;
    QImage m_scaled; // m_page at the current zoom and rotation, grey for smooth reduction
};

// The fax viewer: a window of its own per fax, not modal, several at once. All pages of the page
// file, a strip of thumbnails, page keys (PgUp, PgDn, Home, End), zoom (buttons, Ctrl and +/-,
// Ctrl with the wheel), fit width, fit page, rotation; the sender, time and "第 n 页，共 m 页" in
// the status bar. Printing and PDF export act on the fax shown. A file that cannot be shown says so
// in the window.
class FaxViewerWindow : public QMainWindow {
    Q_OBJECT
public:
    FaxViewerWindow(const FaxRecord& record, const ViewerServices& services, QWidget* parent = nullptr);
    ~FaxViewerWindow() override;

    const FaxRecord& Record() const { return m_record; }
    const QString& PageFile() const { return m_pageFile; }
    bool Loaded() const { return m_images.PageCount() > 0; }
    int PageCount() const { return m_images.PageCount(); }
    int CurrentPage() const { return m_page; } // from 0
    void ShowPage(int page);
    FaxPageView* PageView() const { return m_view; }
    FaxPageImages& Images() { return m_images; }
    QString PageText() const;    // "第 n 页，共 m 页"
    QString MessageText() const; // what the window says instead of a page, or empty

    // The viewer's print, preview and export commands.
    void OnPrint();
    void OnPrintPreview();
    void OnExportPdf();

private:
    QAction* AddAction(const char* name, const QString& text, const QKeySequence& key, const QString& tip);
    void UpdateStatus();
    void MakeNextThumbnail();

    FaxRecord m_record;
    QString m_pageFile, m_senderId, m_time;
    ViewerServices m_services;
    FaxPageImages m_images;
    int m_page = 0;
    int m_thumbnailsMade = 0;
    FaxPageView* m_view = nullptr;
    QListWidget* m_thumbnails = nullptr;
    QLabel* m_senderLabel = nullptr;
    QLabel* m_pageLabel = nullptr;
    QLabel* m_zoomLabel = nullptr;
    QString m_message;
};

// Opens the viewer for one listed fax (its record as the load hands it on), or brings its window
// forward when one is already open for that page file. The window belongs to `parent` (closed with it) but is a window
// of its own, deleted when closed. Returns the window, whether or not the file could be shown (it says so itself).
FaxViewerWindow* OpenFaxViewer(const FaxRecord& record, const ViewerServices& services, QWidget* parent);
