// The view of one result table (GridLogiciel_N): uniform row heights, no per-row widgets, and the
// grid's current cell and the view's selection kept in step both ways.
#pragma once

#include <QTableView>

class GridTableModel;

class GridView : public QTableView {
    Q_OBJECT
public:
    explicit GridView(QWidget* parent = nullptr);

    // Shows a grid through its model (the view does not own it).
    void setGridModel(GridTableModel* model);
    GridTableModel* gridModel() const { return m_model; }

    // Column widths from the grid (twips, 15 per pixel); follows the model's columnLayoutChanged.
    void applyColumnLayout();
    // Puts the view's current cell where the grid's is.
    void syncFromGrid();

signals:
    // The user moved the current row (mouse or keyboard); grid row number.
    void userRowChanged(int gridRow);
    // The user double-clicked a data row; grid row number.
    void rowDoubleClicked(int gridRow);

private:
    void onGridCurrentCell(int row, int col);
    void onViewCurrentChanged(const QModelIndex& current, const QModelIndex& previous);

    GridTableModel* m_model = nullptr;
    bool m_syncing = false;
};

// Pixels of a length in twips (15 twips per pixel at the design resolution).
constexpr int twipsToPixels(int twips) { return (twips + 7) / 15; }
