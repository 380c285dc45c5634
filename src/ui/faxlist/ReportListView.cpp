// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/faxlist/ReportListView.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>

QString ShortenToFit(const QFontMetrics& metrics, const QString& text, int width, int margin) {
    if (text.isEmpty() || metrics.horizontalAdvance(text) + margin <= width)
        return text;
    static const QString kDots = QStringLiteral("...");
    const int room = width - margin - metrics.horizontalAdvance(kDots);
    // Cut whole characters (a surrogate pair counts as one) until the rest fits or one is left.
    qsizetype length = text.size();
    while (length > 1) {
        --length;
        if (length > 1 && text.at(length - 1).isHighSurrogate())
            --length;
        if (metrics.horizontalAdvance(text.left(length)) <= room)
            break;
    }
    return text.left(length) + kDots;
}

void ReportListModel::SetHeaders(const QStringList& headers) {
    beginResetModel();
    m_headers = headers;
    endResetModel();
}

void ReportListModel::SetRows(std::vector<QStringList> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void ReportListModel::RemoveRow(int row) {
    if (row < 0 || row >= rowCount())
        return;
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
}

void ReportListModel::SetCell(int row, int column, const QString& text) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return;
    QStringList& cells = m_rows[static_cast<size_t>(row)];
    while (cells.size() <= column)
        cells.append(QString());
    cells[column] = text;
    emit dataChanged(index(row, column), index(row, column), {Qt::DisplayRole});
}

QString ReportListModel::Cell(int row, int column) const {
    if (row < 0 || row >= rowCount())
        return {};
    return m_rows[static_cast<size_t>(row)].value(column);
}

int ReportListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ReportListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant ReportListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return Cell(index.row(), index.column());
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

QVariant ReportListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_headers.value(section);
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

Qt::ItemFlags ReportListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void ShortenDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const int margin = index.column() == 0 ? 4 : 12;
    option->text = ShortenToFit(option->fontMetrics, option->text, option->rect.width(), margin);
    option->textElideMode = Qt::ElideNone;
}

ReportListView::ReportListView(QWidget* parent) : QTreeView(parent), m_model(new ReportListModel(this)) {
    setModel(m_model);
    setItemDelegate(new ShortenDelegate(this));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setTextElideMode(Qt::ElideNone);
    setWordWrap(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setContextMenuPolicy(Qt::NoContextMenu);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    // The selection stays highlighted as strongly when another window has the focus.
    QPalette colours = palette();
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
        colours.setColor(QPalette::Inactive, role, colours.color(QPalette::Active, role));
    setPalette(colours);
}

void ReportListView::InsertColumn(const QString& header, int width) {
    m_headers.append(header);
    m_widths.push_back(width);
    m_model->SetHeaders(m_headers);
    for (size_t column = 0; column < m_widths.size(); ++column)
        setColumnWidth(static_cast<int>(column), m_widths[column]);
}

int ReportListView::SelectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void ReportListView::SelectRow(int row) {
    if (row < 0 || row >= m_model->rowCount()) {
        clearSelection();
        return;
    }
    setCurrentIndex(m_model->index(row, 0));
    selectionModel()->select(m_model->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void ReportListView::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    // The highlight of a selected row reaches the window's right edge, also beyond the last column.
    if (selectionModel()->isRowSelected(index.row(), index.parent())) {
        const int lastColumn = header()->count() - 1;
        const int columnsEnd =
            lastColumn < 0 ? 0 : header()->sectionViewportPosition(lastColumn) + header()->sectionSize(lastColumn);
        const int right = viewport()->width();
        if (columnsEnd < right)
            painter->fillRect(QRect(columnsEnd, option.rect.top(), right - columnsEnd, option.rect.height()),
                              option.palette.brush(QPalette::Active, QPalette::Highlight));
    }
    QTreeView::drawRow(painter, option, index);
}

void ReportListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit LeftDoubleClicked();
}
