// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <vector>

class QFontMetrics;

// Shortens `text` from its end until it fits `width` less `margin` together with "..." appended;
// returns it unchanged when it is empty or already fits. At least one character stays.
QString ShortenToFit(const QFontMetrics& metrics, const QString& text, int width, int margin);

// The rows of a report-style list: each row a fixed number of texts. Read-only to the user.
class ReportListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ReportListModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    void SetHeaders(const QStringList& headers);
    // Replaces all rows at once (one reset, not one notification per row).
    void SetRows(std::vector<QStringList> rows);
    void RemoveRow(int row);
    void SetCell(int row, int column, const QString& text);
    QString Cell(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QStringList m_headers;
    std::vector<QStringList> m_rows;
};

// Draws cell texts shortened with "..." at their end: column 0 with a margin of 4 pixels, the
// other columns with 12, as the list has always drawn them.
class ShortenDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

// A report-style list whose selection highlight covers the whole row, from the first column to
// the right edge of the window, and stays visible when the list loses the focus. Single
// selection, no sorting, no editing.
class ReportListView : public QTreeView {
    Q_OBJECT
public:
    explicit ReportListView(QWidget* parent = nullptr);

    ReportListModel& Rows() { return *m_model; }
    const ReportListModel& Rows() const { return *m_model; }
    // Adds a left-aligned column with its header and width in pixels.
    void InsertColumn(const QString& header, int width);
    // The selected row, or -1 when none is selected.
    int SelectedRow() const;
    void SelectRow(int row);

signals:
    // A double-click of the left button, after the list has handled the click itself.
    void LeftDoubleClicked();

protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    ReportListModel* m_model;
    QStringList m_headers;
    std::vector<int> m_widths;
};
