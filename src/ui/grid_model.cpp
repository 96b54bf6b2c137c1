#include "ui/grid_model.h"

#include <algorithm>

GridTableModel::GridTableModel(quarex::Grid& grid, QObject* parent)
    : QAbstractTableModel(parent)
    , m_grid(grid)
    , m_rows(std::max(0, grid.Rows() - grid.FixedRows()))
    , m_cols(grid.Cols())
{
    m_grid.setObserver(this);
}

GridTableModel::~GridTableModel()
{
    if (m_grid.observer() == this)
        m_grid.setObserver(nullptr);
}

int GridTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rows; }

int GridTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_cols; }

int GridTableModel::modelRow(int gridRow) const
{
    int r = gridRow - m_grid.FixedRows();
    return r >= 0 && r < m_rows ? r : -1;
}

QVariant GridTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows || index.column() >= m_cols)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromStdString(m_grid.cell(gridRow(index.row()), index.column()));
    if (role == Qt::TextAlignmentRole) {
        switch (m_grid.ColAlignment(index.column())) {
        case quarex::CellAlignment::Centre:
            return QVariant::fromValue(Qt::Alignment(Qt::AlignHCenter | Qt::AlignVCenter));
        case quarex::CellAlignment::Right:
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        case quarex::CellAlignment::Left:
            return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
        }
    }
    return {};
}

QVariant GridTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= m_cols)
            return {};
        if (role == Qt::DisplayRole) {
            QStringList lines;
            for (int r = 0; r < m_grid.FixedRows(); ++r)
                lines << QString::fromStdString(m_grid.cell(r, section));
            return lines.join(QLatin1Char('\n'));
        }
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
        return {};
    }
    if (role == Qt::DisplayRole)
        return section + 1;
    return {};
}

Qt::ItemFlags GridTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void GridTableModel::beginBatch()
{
    beginResetModel();
    m_batch = true;
    m_rows = 0;
    endResetModel();
}

void GridTableModel::syncBatch()
{
    if (!m_batch)
        return;
    int rows = std::max(0, dataRows());
    if (rows < m_rows || m_grid.Cols() != m_cols) {
        beginResetModel();
        m_rows = rows;
        m_cols = m_grid.Cols();
        endResetModel();
        return;
    }
    if (m_rows > 0 && m_cols > 0)
        emit dataChanged(index(0, 0), index(m_rows - 1, m_cols - 1));
    if (rows > m_rows) {
        beginInsertRows(QModelIndex(), m_rows, rows - 1);
        m_rows = rows;
        endInsertRows();
    }
}

void GridTableModel::endBatch()
{
    beginResetModel();
    m_batch = false;
    m_rows = std::max(0, dataRows());
    m_cols = m_grid.Cols();
    endResetModel();
    emit headerDataChanged(Qt::Horizontal, 0, std::max(0, m_cols - 1));
    emit columnLayoutChanged();
    emit gridCurrentCellChanged(m_grid.Row(), m_grid.Col());
}

void GridTableModel::rowsInserted(int first, int last)
{
    if (m_batch)
        return;
    int rows = std::max(0, dataRows());
    if (rows <= m_rows)
        return;
    // Rows are inserted only at the end of a grid (AddItem, setRows).
    int from = std::clamp(first - m_grid.FixedRows(), 0, m_rows);
    int count = std::min(last - first + 1, rows - m_rows);
    if (count <= 0)
        return;
    beginInsertRows(QModelIndex(), from, from + count - 1);
    m_rows += count;
    endInsertRows();
}

void GridTableModel::rowsRemoved(int first, int last)
{
    if (m_batch)
        return;
    int from = first - m_grid.FixedRows();
    int to = last - m_grid.FixedRows();
    if (from < 0 || to >= m_rows || from > to) {
        beginResetModel();
        m_rows = std::max(0, dataRows());
        endResetModel();
        return;
    }
    beginRemoveRows(QModelIndex(), from, to);
    m_rows -= to - from + 1;
    endRemoveRows();
}

void GridTableModel::cellChanged(int row, int col)
{
    if (m_batch)
        return;
    if (row < m_grid.FixedRows()) {
        emit headerDataChanged(Qt::Horizontal, col, col);
        return;
    }
    int r = modelRow(row);
    if (r >= 0 && col < m_cols) {
        QModelIndex i = index(r, col);
        emit dataChanged(i, i, { Qt::DisplayRole });
    }
}

void GridTableModel::layoutChanged()
{
    if (m_batch)
        return;
    if (m_grid.Cols() != m_cols || dataRows() != m_rows) {
        beginResetModel();
        m_cols = m_grid.Cols();
        m_rows = std::max(0, dataRows());
        endResetModel();
    } else if (m_rows > 0 && m_cols > 0) {
        emit dataChanged(index(0, 0), index(m_rows - 1, m_cols - 1), { Qt::TextAlignmentRole });
    }
    emit headerDataChanged(Qt::Horizontal, 0, std::max(0, m_cols - 1));
    emit columnLayoutChanged();
}

void GridTableModel::currentCellChanged(int row, int col)
{
    if (m_batch)
        return;
    emit gridCurrentCellChanged(row, col);
}
