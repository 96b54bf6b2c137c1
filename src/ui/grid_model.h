// A core quarex::Grid shown to Qt views: the fixed header row becomes the horizontal header,
// data rows become model rows (model row i is grid row i + FixedRows()).
#pragma once

#include "grid/grid.h"

#include <QAbstractTableModel>

class GridTableModel : public QAbstractTableModel, public quarex::GridObserver {
    Q_OBJECT
public:
    explicit GridTableModel(quarex::Grid& grid, QObject* parent = nullptr);
    ~GridTableModel() override;

    quarex::Grid& grid() { return m_grid; }
    const quarex::Grid& grid() const { return m_grid; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Grid row of a model row, and model row of a grid row (-1 for a header row).
    int gridRow(int modelRow) const { return modelRow + m_grid.FixedRows(); }
    int modelRow(int gridRow) const;

    // A batch (a scan) changes the grid a great many times: while it lasts the views show an empty
    // table and the grid's notifications are not relayed one by one.
    void beginBatch();
    // Shows the rows added so far during a batch (one signal, for an explicit repaint).
    void syncBatch();
    // Ends the batch: the views take the whole grid at once.
    void endBatch();
    bool inBatch() const { return m_batch; }

    // quarex::GridObserver
    void rowsInserted(int first, int last) override;
    void rowsRemoved(int first, int last) override;
    void cellChanged(int row, int col) override;
    void layoutChanged() override;
    void currentCellChanged(int row, int col) override;

signals:
    // The grid's current cell moved (grid coordinates, header rows included).
    void gridCurrentCellChanged(int row, int col);
    // Column widths or alignments changed.
    void columnLayoutChanged();

private:
    int dataRows() const { return m_grid.Rows() - m_grid.FixedRows(); }

    quarex::Grid& m_grid;
    int m_rows = 0; // the rows the views know of
    int m_cols = 0;
    bool m_batch = false;
};
