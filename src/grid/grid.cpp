#include "grid/grid.h"

#include "messages/messages.h"
#include "text/text.h"

#include <algorithm>

namespace quarex {

namespace {
    const std::string kEmpty;
}

Grid::Grid(int rows, int cols, int fixedRows, int fixedCols)
    : m_cols(std::max(cols, 1))
    , m_fixedRows(std::max(fixedRows, 0))
    , m_fixedCols(std::max(fixedCols, 0))
{
    m_colWidths.assign(m_cols, 1000);
    m_alignments.assign(m_cols, CellAlignment::Left);
    int n = std::max(rows, m_fixedRows + 1);
    m_cells.assign(n, std::vector<std::string>(m_cols));
    m_rowPaths.assign(n, {});
    m_rowFacts.assign(n, {});
    m_row = m_fixedRows;
    m_col = m_fixedCols < m_cols ? m_fixedCols : 0;
}

void Grid::setRows(int rows)
{
    rows = std::max(rows, m_fixedRows + 1);
    int old = Rows();
    if (rows == old)
        return;
    if (rows > old) {
        m_cells.resize(rows, std::vector<std::string>(m_cols));
        m_rowPaths.resize(rows);
        m_rowFacts.resize(rows);
        if (m_freeKeyCol >= 0)
            for (int r = std::max(old, m_fixedRows); r < rows; ++r)
                m_freeRows.insert(r);
        if (m_observer)
            m_observer->rowsInserted(old, rows - 1);
    } else {
        m_cells.resize(rows);
        m_rowPaths.resize(rows);
        m_rowFacts.resize(rows);
        m_freeRows.erase(m_freeRows.lower_bound(rows), m_freeRows.end());
        if (m_row >= rows)
            m_row = rows - 1;
        if (m_observer)
            m_observer->rowsRemoved(rows, old - 1);
    }
}

void Grid::setCols(int cols)
{
    cols = std::max(cols, 1);
    if (cols == m_cols)
        return;
    for (auto& row : m_cells)
        row.resize(cols);
    m_colWidths.resize(cols, 1000);
    m_alignments.resize(cols, CellAlignment::Left);
    m_cols = cols;
    if (m_col >= cols)
        m_col = cols - 1;
    if (m_freeKeyCol >= cols)
        m_freeKeyCol = -1, m_freeRows.clear();
    if (m_observer)
        m_observer->layoutChanged();
}

void Grid::setFixedRows(int n)
{
    m_fixedRows = std::clamp(n, 0, Rows() - 1);
    if (m_freeKeyCol >= 0)
        rebuildFreeIndex(m_freeKeyCol);
    if (m_observer)
        m_observer->layoutChanged();
}

void Grid::setFixedCols(int n)
{
    m_fixedCols = std::clamp(n, 0, m_cols - 1);
    if (m_observer)
        m_observer->layoutChanged();
}

void Grid::setRow(int row)
{
    if (row < 0 || row >= Rows() || row == m_row)
        return;
    m_row = row;
    if (m_observer)
        m_observer->currentCellChanged(m_row, m_col);
}

void Grid::setCol(int col)
{
    if (col < 0 || col >= m_cols || col == m_col)
        return;
    m_col = col;
    if (m_observer)
        m_observer->currentCellChanged(m_row, m_col);
}

const std::string& Grid::cell(int row, int col) const
{
    if (row < 0 || row >= Rows() || col < 0 || col >= m_cols)
        return kEmpty;
    return m_cells[row][col];
}

void Grid::setCell(int row, int col, std::string text)
{
    if (row < 0 || row >= Rows() || col < 0 || col >= m_cols)
        return;
    std::string& target = m_cells[row][col];
    if (col == m_freeKeyCol && row >= m_fixedRows)
        trackFree(row, isFreeKey(target), isFreeKey(text));
    target = std::move(text);
    if (m_observer)
        m_observer->cellChanged(row, col);
}

int Grid::ColWidth(int col) const { return col >= 0 && col < m_cols ? m_colWidths[col] : 0; }

void Grid::setColWidth(int col, int twips)
{
    if (col < 0 || col >= m_cols)
        return;
    m_colWidths[col] = twips;
    if (m_observer)
        m_observer->layoutChanged();
}

CellAlignment Grid::ColAlignment(int col) const
{
    return col >= 0 && col < m_cols ? m_alignments[col] : CellAlignment::Left;
}

void Grid::setColAlignment(int col, CellAlignment alignment)
{
    if (col < 0 || col >= m_cols)
        return;
    m_alignments[col] = alignment;
    if (m_observer)
        m_observer->layoutChanged();
}

const std::string& Grid::rowPath(int row) const
{
    return row >= 0 && row < Rows() ? m_rowPaths[row] : kEmpty;
}

void Grid::setRowPath(int row, std::string path)
{
    if (row >= 0 && row < Rows())
        m_rowPaths[row] = std::move(path);
}

const std::string& Grid::rowFacts(int row) const { return row >= 0 && row < Rows() ? m_rowFacts[row] : kEmpty; }

void Grid::setRowFacts(int row, std::string facts)
{
    if (row >= 0 && row < Rows())
        m_rowFacts[row] = std::move(facts);
}

void Grid::AddItem(std::string_view line)
{
    std::vector<std::string> row(m_cols);
    std::size_t pos = 0;
    for (int c = 0; c < m_cols; ++c) {
        std::size_t tab = line.find('\t', pos);
        row[c] = std::string(line.substr(pos, tab == std::string_view::npos ? std::string_view::npos : tab - pos));
        if (tab == std::string_view::npos)
            break;
        pos = tab + 1;
    }
    int index = Rows();
    if (m_freeKeyCol >= 0 && isFreeKey(row[m_freeKeyCol]) && index >= m_fixedRows)
        m_freeRows.insert(index);
    m_cells.push_back(std::move(row));
    m_rowPaths.emplace_back();
    m_rowFacts.emplace_back();
    if (m_observer)
        m_observer->rowsInserted(index, index);
}

void Grid::RemoveItem(int row)
{
    if (row < 0 || row >= Rows() || Rows() <= m_fixedRows + 1)
        return;
    m_cells.erase(m_cells.begin() + row);
    m_rowPaths.erase(m_rowPaths.begin() + row);
    m_rowFacts.erase(m_rowFacts.begin() + row);
    shiftFreeAfterRemoval(row);
    if (m_row >= Rows())
        m_row = Rows() - 1;
    if (m_observer)
        m_observer->rowsRemoved(row, row);
}

bool Grid::isFreeKey(std::string_view key)
{
    if (key.empty())
        return true;
    std::size_t first = key.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return false; // blanks only: not a fill marker, not empty
    std::size_t last = key.find_last_not_of(' ');
    std::string_view core = key.substr(first, last - first + 1);
    return core == "-1" || core == "-2";
}

int Grid::lastFreeRow(int keyCol)
{
    if (keyCol != m_freeKeyCol)
        rebuildFreeIndex(keyCol);
    if (m_freeRows.empty())
        return -1;
    return *m_freeRows.rbegin();
}

void Grid::trackFree(int row, bool wasFree, bool isFree)
{
    if (wasFree == isFree)
        return;
    if (isFree)
        m_freeRows.insert(row);
    else
        m_freeRows.erase(row);
}

void Grid::rebuildFreeIndex(int keyCol)
{
    m_freeRows.clear();
    m_freeKeyCol = keyCol;
    if (keyCol < 0 || keyCol >= m_cols) {
        m_freeKeyCol = -1;
        return;
    }
    for (int r = m_fixedRows; r < Rows(); ++r)
        if (isFreeKey(m_cells[r][keyCol]))
            m_freeRows.insert(m_freeRows.end(), r);
}

void Grid::shiftFreeAfterRemoval(int row)
{
    if (m_freeKeyCol < 0)
        return;
    auto it = m_freeRows.lower_bound(row);
    if (it == m_freeRows.end())
        return;
    std::vector<int> moved(it, m_freeRows.end());
    m_freeRows.erase(it, m_freeRows.end());
    for (int r : moved)
        if (r != row)
            m_freeRows.insert(m_freeRows.end(), r - 1);
}

void ClearLineGrid(Grid& grid, int row, const std::string& fill)
{
    if (row < 0 || row > grid.Rows() - 1)
        return;
    grid.setRow(row);
    for (int c = grid.FixedCols(); c < grid.Cols(); ++c)
        grid.setCell(row, c, fill);
    grid.setRowPath(row, {});
    grid.setRowFacts(row, {});
}

void ClearGrid(Grid& grid, const std::string& fill)
{
    for (int r = grid.Rows() - 1; r >= grid.FixedRows(); --r) {
        grid.setRow(r);
        if (grid.Rows() > grid.FixedRows() + 1)
            grid.RemoveItem(r);
        else
            ClearLineGrid(grid, r, fill);
    }
}

int iGetClearLineGrid(Grid& grid, int keyCol, bool search, const std::string& fill, const std::string* line)
{
    if (keyCol < 0 || keyCol >= grid.Cols()) {
        AfficheErreur("Allocation nouvelle ligne d'un tableau impossible : iGetClearLineGrid()");
        return -1;
    }
    if (search || grid.Rows() <= grid.FixedRows() + 1) {
        // Same answer as a scan from the last row upwards, from the grid's index of free rows.
        int r = grid.lastFreeRow(keyCol);
        if (r >= grid.FixedRows()) {
            ClearLineGrid(grid, r, fill);
            if (!line)
                return r;
            grid.AddItem(*line);
            if (Grid::isFreeKey(grid.cell(r, keyCol)))
                grid.RemoveItem(r);
            return grid.Rows() - 1;
        }
    }
    if (line) {
        grid.AddItem(*line);
    } else {
        grid.AddItem("\t");
        ClearLineGrid(grid, grid.Rows() - 1, fill);
    }
    grid.setRow(grid.Rows() - 1);
    return grid.Rows() - 1;
}

} // namespace quarex
