// The grid model and its view: header row, alignment, change notifications, the current cell kept in
// step both ways, and a batch of 300,000 rows that reaches the view in one reset.
#include "grid/grid.h"
#include "ui/grid_model.h"
#include "ui/grid_view.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

using quarex::Grid;

namespace {

Grid makeTable(int dataRows)
{
    Grid g(2, 4, 1, 0);
    g.setCell(0, 0, " Description");
    g.setCell(0, 1, " Emplacement");
    g.setCell(0, 2, " Fichier");
    g.setCell(0, 3, " Version");
    g.setColWidth(0, 4000);
    g.setColWidth(2, 1450);
    g.setColAlignment(3, quarex::CellAlignment::Centre);
    for (int r = 0; r < dataRows; ++r) {
        std::string n = std::to_string(r + 1);
        if (r == 0) {
            g.setCell(1, 0, " d" + n);
            g.setCell(1, 2, " f" + n);
        } else {
            g.AddItem(" d" + n + "\t /loc\t f" + n + "\t 1.0");
        }
    }
    return g;
}

} // namespace

class GridModelTest : public QObject {
    Q_OBJECT

private slots:
    void headerRowAndCells()
    {
        Grid g = makeTable(3);
        GridTableModel model(g);
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.columnCount(), 4);
        QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral(" Fichier"));
        QCOMPARE(model.data(model.index(0, 2)).toString(), QStringLiteral(" f1"));
        QCOMPARE(model.data(model.index(2, 0)).toString(), QStringLiteral(" d3"));
        auto centre = model.data(model.index(0, 3), Qt::TextAlignmentRole).value<Qt::Alignment>();
        QVERIFY(centre & Qt::AlignHCenter);
        auto left = model.data(model.index(0, 0), Qt::TextAlignmentRole).value<Qt::Alignment>();
        QVERIFY(left & Qt::AlignLeft);
        QCOMPARE(model.gridRow(0), 1);
        QCOMPARE(model.modelRow(0), -1); // the header is not a model row
        QCOMPARE(model.modelRow(3), 2);
        QVERIFY(!model.data(model.index(5, 0)).isValid());
    }

    void changesReachTheModel()
    {
        Grid g = makeTable(2);
        GridTableModel model(g);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy header(&model, &QAbstractItemModel::headerDataChanged);

        g.AddItem(" d3\t\t f3\t");
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.at(0).at(1).toInt(), 2); // model row of grid row 3
        QCOMPARE(model.rowCount(), 3);

        g.setCell(2, 1, " /ailleurs");
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).value<QModelIndex>(), model.index(1, 1));

        g.setCell(0, 3, " Date");
        QCOMPARE(header.count(), 1);
        QCOMPARE(model.headerData(3, Qt::Horizontal).toString(), QStringLiteral(" Date"));

        g.RemoveItem(1);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(1).toInt(), 0);
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.data(model.index(0, 2)).toString(), QStringLiteral(" f2"));

        quarex::ClearGrid(g, "");
        QCOMPARE(model.rowCount(), 1); // one blank data row stays
        QCOMPARE(model.data(model.index(0, 2)).toString(), QString());
    }

    void modelLetsGoOfTheGrid()
    {
        Grid g = makeTable(1);
        {
            GridTableModel model(g);
            QCOMPARE(g.observer(), static_cast<quarex::GridObserver*>(&model));
        }
        QCOMPARE(g.observer(), static_cast<quarex::GridObserver*>(nullptr));
        g.AddItem("x\t\ty\t"); // no observer left to call
        QCOMPARE(g.Rows(), 3);
    }

    void currentCellFollowsBothWays()
    {
        Grid g = makeTable(5);
        GridTableModel model(g);
        GridView view;
        view.setGridModel(&model);
        view.resize(500, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        g.setRow(4);
        g.setCol(2);
        QCOMPARE(view.currentIndex(), model.index(3, 2));
        QVERIFY(view.selectionModel()->isRowSelected(3, QModelIndex()));

        QSignalSpy user(&view, &GridView::userRowChanged);
        view.setCurrentIndex(model.index(1, 0));
        QCOMPARE(g.Row(), 2);
        QCOMPARE(g.Col(), 0);
        QCOMPARE(user.count(), 1);
        QCOMPARE(user.at(0).at(0).toInt(), 2);

        QRect cell = view.visualRect(model.index(2, 1));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(g.Row(), 3);
        QCOMPARE(g.Col(), 1);
        QCOMPARE(user.count(), 2);

        g.setRow(1); // the program's own moves are not reported as the user's
        QCOMPARE(user.count(), 2);
        QCOMPARE(view.currentIndex().row(), 0);
    }

    void columnWidthsComeFromTwips()
    {
        Grid g = makeTable(1);
        GridTableModel model(g);
        GridView view;
        view.setGridModel(&model);
        QCOMPARE(view.columnWidth(0), 267); // 4000 twips
        QCOMPARE(view.columnWidth(2), 97); // 1450 twips
        g.setColWidth(2, 3100);
        QCOMPARE(view.columnWidth(2), 207);
    }

    void batchOfManyRowsIsOneReset()
    {
        Grid g = makeTable(1);
        GridTableModel model(g);
        GridView view;
        view.setGridModel(&model);
        view.resize(600, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        model.beginBatch();
        QCOMPARE(model.rowCount(), 0); // the views show an empty table meanwhile
        quarex::ClearGrid(g, "");
        const int rows = 300000;
        for (int r = 0; r < rows; ++r) {
            int row = quarex::iGetClearLineGrid(g, 2, true, "");
            g.setRow(row);
            g.setCell(row, 2, " Setup" + std::to_string(r) + ".exe");
            g.setCell(row, 1, " /cdrom");
        }
        QCOMPARE(inserted.count(), 0);
        QCOMPARE(removed.count(), 0);
        QCOMPARE(changed.count(), 0);
        model.endBatch();
        QCOMPARE(inserted.count(), 0);
        QCOMPARE(reset.count(), 2);
        QCOMPARE(model.rowCount(), rows);
        QCOMPARE(model.data(model.index(rows - 1, 2)).toString(), QStringLiteral(" Setup299999.exe"));

        // Uniform rows and a scroll to the end that lands on the last row.
        QCOMPARE(view.verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
        QCOMPARE(view.rowHeight(0), view.rowHeight(rows - 1));
        view.scrollToBottom();
        QApplication::processEvents();
        QVERIFY(view.viewport()->rect().intersects(view.visualRect(model.index(rows - 1, 2))));
        QCOMPARE(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
        // The current row set by the grid during the batch is shown once it ends.
        QCOMPARE(view.currentIndex().row(), g.Row() - 1);
    }

    void syncDuringBatchShowsRowsAddedSoFar()
    {
        Grid g = makeTable(1);
        GridTableModel model(g);
        model.beginBatch();
        quarex::ClearGrid(g, "");
        for (int r = 0; r < 10; ++r) {
            int row = quarex::iGetClearLineGrid(g, 2, true, "");
            g.setCell(row, 2, " x");
        }
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        model.syncBatch();
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(model.rowCount(), 10);
        QVERIFY(model.inBatch());
        model.syncBatch(); // nothing new: no insertion
        QCOMPARE(inserted.count(), 1);
        model.endBatch();
        QVERIFY(!model.inBatch());
        QCOMPARE(model.rowCount(), 10);
    }
};

QTEST_MAIN(GridModelTest)
#include "grid_model_test.moc"
