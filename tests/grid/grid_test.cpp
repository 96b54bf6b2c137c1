#include "grid/grid.h"
#include "messages/messages.h"
#include "support/recording_dialogue.h"

#include <gtest/gtest.h>

#include <vector>

using namespace quarex;

namespace {

// A literal port of the bottom-up search, to check the index of free rows against it.
int bottomUpFreeRow(const Grid& g, int keyCol)
{
    for (int r = g.Rows() - 1; r >= g.FixedRows(); --r)
        if (Grid::isFreeKey(g.cell(r, keyCol)))
            return r;
    return -1;
}

Grid tableWithRows(int dataRows)
{
    Grid g(2, 4, 1, 0);
    for (int i = 0; i < dataRows; ++i) {
        int r = iGetClearLineGrid(g, 2, true, "");
        g.setCell(r, 2, " File" + std::to_string(i) + ".exe");
    }
    return g;
}

} // namespace

TEST(Grid, ClearKeepsHeaderAndExactlyOneBlankRow)
{
    Grid g = tableWithRows(5);
    g.setCell(0, 0, " Description");
    ASSERT_EQ(g.Rows(), 6);
    ClearGrid(g, "");
    EXPECT_EQ(g.Rows(), 2);
    EXPECT_EQ(g.cell(0, 0), " Description");
    for (int c = 0; c < g.Cols(); ++c)
        EXPECT_EQ(g.cell(1, c), "");
    // Removing the last data row is refused: a grid keeps FixedRows + 1 rows.
    g.RemoveItem(1);
    EXPECT_EQ(g.Rows(), 2);
    g.setRows(0);
    EXPECT_EQ(g.Rows(), 2);
}

TEST(Grid, BlankRowLeftByClearIsReusedFirstThenRowsAppend)
{
    Grid g = tableWithRows(3);
    ClearGrid(g, "");
    int first = iGetClearLineGrid(g, 2, true, "");
    EXPECT_EQ(first, 1);
    g.setCell(first, 2, " Setup.exe");
    int second = iGetClearLineGrid(g, 2, true, "");
    EXPECT_EQ(second, 2);
    EXPECT_EQ(g.Rows(), 3);
    EXPECT_EQ(g.Row(), 2);
}

TEST(Grid, FreeRowsAreFoundFromTheBottomUp)
{
    Grid g = tableWithRows(6);
    g.setCell(2, 2, "");
    g.setCell(4, 2, " -1 ");
    EXPECT_EQ(iGetClearLineGrid(g, 2, true, ""), 4);
    g.setCell(4, 2, " X");
    EXPECT_EQ(iGetClearLineGrid(g, 2, true, ""), 2);
    // Without search the grid appends even though a row is free.
    g.setCell(3, 2, "");
    EXPECT_EQ(iGetClearLineGrid(g, 2, false, ""), 7);
}

TEST(Grid, FileNamedLikeAFillMarkerKeepsItsRow)
{
    // A key read as a leading number would make " -1.exe" free and the next file overwrite it.
    Grid g(2, 4, 1, 0);
    int r = iGetClearLineGrid(g, 2, true, "");
    g.setCell(r, 2, " -1.exe");
    int next = iGetClearLineGrid(g, 2, true, "");
    EXPECT_NE(next, r);
    EXPECT_EQ(g.cell(r, 2), " -1.exe");
    EXPECT_TRUE(Grid::isFreeKey("-2"));
    EXPECT_TRUE(Grid::isFreeKey(""));
    EXPECT_FALSE(Grid::isFreeKey("-10"));
    EXPECT_FALSE(Grid::isFreeKey("-1x"));
}

TEST(Grid, DefaultFillMarksTheRowAndWithLineTheFreeRowGoes)
{
    Grid g(2, 4, 1, 0);
    // Default fill "-1": the row stays free, so the same row comes back.
    int r = iGetClearLineGrid(g, 2, true);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(g.cell(1, 0), "-1");
    EXPECT_EQ(iGetClearLineGrid(g, 2, true), 1);
    // With a line: appended, then the still-free row removed; the result is the last row.
    std::string line = "a\tb\t c.exe\td";
    int added = iGetClearLineGrid(g, 2, true, "-1", &line);
    EXPECT_EQ(added, g.Rows() - 1);
    EXPECT_EQ(g.Rows(), 2);
    EXPECT_EQ(g.cell(1, 2), " c.exe");
    EXPECT_EQ(g.cell(1, 3), "d");
}

TEST(Grid, IndexOfFreeRowsAgreesWithBottomUpSearch)
{
    Grid g(2, 4, 1, 0);
    unsigned seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7fff; };
    for (int step = 0; step < 3000; ++step) {
        int action = static_cast<int>(next() % 6);
        int row = g.FixedRows() + static_cast<int>(next() % static_cast<unsigned>(g.Rows() - g.FixedRows()));
        switch (action) {
        case 0:
            g.setCell(row, 2, "");
            break;
        case 1:
            g.setCell(row, 2, " X" + std::to_string(step));
            break;
        case 2:
            g.RemoveItem(row);
            break;
        case 3:
            g.AddItem(next() % 2 ? "a\tb\t\td" : "a\tb\t f\td");
            break;
        default: {
            int expected = bottomUpFreeRow(g, 2);
            int got = iGetClearLineGrid(g, 2, true, "");
            if (expected >= 0)
                EXPECT_EQ(got, expected) << "step " << step;
            else
                EXPECT_EQ(got, g.Rows() - 1);
            g.setCell(got, 2, " F" + std::to_string(step));
        }
        }
        ASSERT_EQ(g.lastFreeRow(2), bottomUpFreeRow(g, 2)) << "step " << step;
    }
}

TEST(Grid, AddItemSplitsOnTabsAndClearLineSkipsFixedColumns)
{
    Grid g(2, 3, 1, 1);
    g.AddItem("x\ty\tz\textra");
    EXPECT_EQ(g.cell(2, 0), "x");
    EXPECT_EQ(g.cell(2, 2), "z");
    g.AddItem("only");
    EXPECT_EQ(g.cell(3, 0), "only");
    EXPECT_EQ(g.cell(3, 1), "");
    ClearLineGrid(g, 2, "-");
    EXPECT_EQ(g.cell(2, 0), "x");
    EXPECT_EQ(g.cell(2, 1), "-");
    EXPECT_EQ(g.Row(), 2);
    ClearLineGrid(g, 99, "-"); // out of range: nothing
    EXPECT_EQ(g.Rows(), 4);
}

namespace {
struct RecordingObserver : GridObserver {
    std::vector<std::string> events;
    void rowsInserted(int f, int l) override { events.push_back("ins " + std::to_string(f) + "-" + std::to_string(l)); }
    void rowsRemoved(int f, int l) override { events.push_back("rem " + std::to_string(f) + "-" + std::to_string(l)); }
    void cellChanged(int r, int c) override { events.push_back("cell " + std::to_string(r) + "," + std::to_string(c)); }
    void layoutChanged() override { events.push_back("layout"); }
    void currentCellChanged(int r, int c) override
    {
        events.push_back("cur " + std::to_string(r) + "," + std::to_string(c));
    }
};
} // namespace

TEST(Grid, BadKeyColumnIsReportedAndGivesMinusOne)
{
    quarex::test::RecordingDialogue d;
    Grid g(2, 4, 1, 0);
    EXPECT_EQ(iGetClearLineGrid(g, 7, true, ""), -1);
    ASSERT_EQ(d.errors.size(), 1u);
    EXPECT_EQ(d.errors[0], "Allocation nouvelle ligne d'un tableau impossible : iGetClearLineGrid()");
}

TEST(Grid, ObserverHearsInsertionsRemovalsAndCellChanges)
{
    Grid g(2, 2, 1, 0);
    RecordingObserver o;
    g.setObserver(&o);
    g.AddItem("a\tb");
    g.setCell(2, 1, "c");
    g.RemoveItem(1);
    g.setRow(0);
    std::vector<std::string> expected = { "ins 2-2", "cell 2,1", "rem 1-1", "cur 0,0" };
    EXPECT_EQ(o.events, expected);
}
