#include "ui/grid_view.h"

#include "ui/grid_model.h"

#include <QHeaderView>

GridView::GridView(QWidget* parent)
    : QTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setAlternatingRowColors(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Every row has the same height: scrolling a table of several hundred thousand rows stays cheap.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->setMinimumSectionSize(fontMetrics().height() + 2);
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (m_model && index.isValid())
            emit rowDoubleClicked(m_model->gridRow(index.row()));
    });
}

void GridView::setGridModel(GridTableModel* model)
{
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    m_model = model;
    setModel(model);
    if (!model)
        return;
    connect(model, &GridTableModel::gridCurrentCellChanged, this, &GridView::onGridCurrentCell);
    connect(model, &GridTableModel::columnLayoutChanged, this, &GridView::applyColumnLayout);
    connect(model, &QAbstractItemModel::modelReset, this, &GridView::syncFromGrid);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &GridView::onViewCurrentChanged);
    applyColumnLayout();
    syncFromGrid();
}

void GridView::applyColumnLayout()
{
    if (!m_model)
        return;
    const quarex::Grid& grid = m_model->grid();
    for (int c = 0; c < m_model->columnCount(); ++c)
        setColumnWidth(c, twipsToPixels(grid.ColWidth(c)));
}

void GridView::syncFromGrid()
{
    if (!m_model)
        return;
    onGridCurrentCell(m_model->grid().Row(), m_model->grid().Col());
}

void GridView::onGridCurrentCell(int row, int col)
{
    if (m_syncing || !m_model)
        return;
    m_syncing = true;
    int r = m_model->modelRow(row);
    if (r < 0) {
        selectionModel()->clearSelection();
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    } else {
        QModelIndex index = m_model->index(r, col);
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(index);
    }
    m_syncing = false;
}

void GridView::onViewCurrentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    if (m_syncing || !m_model || !current.isValid())
        return;
    m_syncing = true;
    quarex::Grid& grid = m_model->grid();
    int row = m_model->gridRow(current.row());
    grid.setRow(row);
    grid.setCol(current.column());
    m_syncing = false;
    if (!previous.isValid() || previous.row() != current.row())
        emit userRowChanged(row);
}
