// The table grid: rows of text cells with fixed header rows and columns,
// a current cell, column widths in twips, and notifications for a view.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace quarex {

// Told what changed in a grid, so that a view (a Qt model) can follow it.
class GridObserver {
public:
    virtual ~GridObserver() = default;
    virtual void rowsInserted(int first, int last) = 0;
    virtual void rowsRemoved(int first, int last) = 0;
    virtual void cellChanged(int row, int col) = 0;
    virtual void layoutChanged() = 0;
    virtual void currentCellChanged(int row, int col) = 0;
};

enum class CellAlignment { Left, Centre, Right };

class Grid {
public:
    explicit Grid(int rows = 2, int cols = 2, int fixedRows = 1, int fixedCols = 0);

    // Numbers of rows and columns, fixed ones included.
    int Rows() const { return static_cast<int>(m_cells.size()); }
    int Cols() const { return m_cols; }
    // Sets the number of rows (never below FixedRows + 1); new rows are blank.
    void setRows(int rows);
    // Sets the number of columns.
    void setCols(int cols);
    int FixedRows() const { return m_fixedRows; }
    int FixedCols() const { return m_fixedCols; }
    void setFixedRows(int n);
    void setFixedCols(int n);

    // The current cell.
    int Row() const { return m_row; }
    int Col() const { return m_col; }
    void setRow(int row);
    void setCol(int col);

    // Text of the current cell.
    const std::string& Text() const { return cell(m_row, m_col); }
    void setText(std::string text) { setCell(m_row, m_col, std::move(text)); }

    // Direct access to one cell (out-of-range reads give an empty text, writes are ignored).
    const std::string& cell(int row, int col) const;
    void setCell(int row, int col, std::string text);

    // Width of a column in twips.
    int ColWidth(int col) const;
    void setColWidth(int col, int twips);
    CellAlignment ColAlignment(int col) const;
    void setColAlignment(int col, CellAlignment alignment);

    // The real path of the file a row describes (display text stays in the cells).
    const std::string& rowPath(int row) const;
    void setRowPath(int row, std::string path);
    // What the layer that filled the row learnt of its file, packed as that layer likes ("" when nothing),
    // so that it need not be read again; it follows the row like its path.
    const std::string& rowFacts(int row) const;
    void setRowFacts(int row, std::string facts);

    // Appends a row; the line holds the cell texts from column 0 on, separated by TABs.
    void AddItem(std::string_view line);
    // Removes row r; the grid keeps at least FixedRows + 1 rows.
    void RemoveItem(int row);

    // True when a key cell counts as free: empty, or trimmed exactly "-1" or "-2".
    static bool isFreeKey(std::string_view key);
    // The bottom-most free row for the key column, or -1; kept up to date in O(log n).
    int lastFreeRow(int keyCol);

    void setObserver(GridObserver* observer) { m_observer = observer; }
    GridObserver* observer() const { return m_observer; }

private:
    void trackFree(int row, bool wasFree, bool isFree);
    void rebuildFreeIndex(int keyCol);
    void shiftFreeAfterRemoval(int row);

    std::vector<std::vector<std::string>> m_cells;
    std::vector<std::string> m_rowPaths;
    std::vector<std::string> m_rowFacts;
    std::vector<int> m_colWidths;
    std::vector<CellAlignment> m_alignments;
    int m_cols;
    int m_fixedRows;
    int m_fixedCols;
    int m_row = 0;
    int m_col = 0;
    GridObserver* m_observer = nullptr;
    // Rows (at or below FixedRows) whose key cell is free, for m_freeKeyCol; -1 = not tracked.
    int m_freeKeyCol = -1;
    std::set<int> m_freeRows;
};

// Empties a table: removes the data rows, keeping one blank row filled with `fill`.
void ClearGrid(Grid& grid, const std::string& fill = "");
// Writes `fill` into every non-fixed cell of row r.
void ClearLineGrid(Grid& grid, int row, const std::string& fill);
// Returns the index of a row ready to be filled (free row reused from the bottom up, else appended), -1 on error.
int iGetClearLineGrid(Grid& grid, int keyCol, bool search, const std::string& fill = "-1",
    const std::string* line = nullptr);

} // namespace quarex
