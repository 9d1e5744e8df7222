#include "qt/signals_table.h"

#include <QAccessible>
#include <QTest>
#include <gtest/gtest.h>

#include <vector>

#include "core/settings.h"

namespace keblor::test {
namespace {

constexpr int CALL = 5;  // the column of the callsigns

// A table of spotted calls, one row each, on the offscreen platform.
struct Table {
  SignalsTable table{nullptr};
  SignalList list;
  Settings settings;
  std::vector<int> selected, chosen;

  Table() {
    table.onSelected = [this](int row) { selected.push_back(row); };
    table.onChosen = [this](int row) { chosen.push_back(row); };
    table.resize(440, 220);
    table.show();
  }
  void ShowCalls(const std::vector<const char*>& calls) {
    std::vector<PlacedSpot> spots;
    for (std::size_t i = 0; i < calls.size(); ++i)
      spots.push_back({Vfo::A, calls[i], 600.0 + 100.0 * static_cast<double>(i), 1, 0, std::nullopt});
    list.Update({nullptr, nullptr}, settings, {spots, {}});
    table.Show(list);
  }
  QPoint Middle(int row) const { return table.CellRect(row, 0).center(); }
};

TEST(SignalsTable, APointerOrAKeySelectsTheRowUnderItAndEnterOrADoubleClickChoosesIt) {
  Table t;
  t.ShowCalls({"DL1ABC", "G4XYZ", "OK1RR"});
  QTest::mouseClick(&t.table, Qt::LeftButton, {}, t.Middle(1));
  QTest::mouseClick(&t.table, Qt::LeftButton, {}, t.Middle(SignalsTable::HEADER));  // no row
  QTest::keyClick(&t.table, Qt::Key_Down);
  QTest::keyClick(&t.table, Qt::Key_Down);  // the last row stays
  EXPECT_EQ(t.selected, (std::vector<int>{1, 2, 2}));
  QTest::keyClick(&t.table, Qt::Key_Return);
  QTest::mouseDClick(&t.table, Qt::LeftButton, {}, t.Middle(0));
  EXPECT_EQ(t.chosen, (std::vector<int>{2, 0}));
}

TEST(SignalsTable, AScreenReaderReadsItsCellsUnderTheirHeadersAndLosesTheRowsThatLeave) {
  Table t;
  t.ShowCalls({"DL1ABC", "G4XYZ", "OK1RR"});
  QAccessibleTableInterface* table = QAccessible::queryAccessibleInterface(&t.table)->tableInterface();
  ASSERT_NE(table, nullptr);
  ASSERT_EQ(table->rowCount(), 3);
  QAccessibleInterface* cell = table->cellAt(1, CALL);
  EXPECT_EQ(cell->text(QAccessible::Name), QStringLiteral("G4XYZ"));
  EXPECT_EQ(cell->tableCellInterface()->columnHeaderCells().front()->text(QAccessible::Name), QStringLiteral("Call"));
  const QAccessible::Id last = QAccessible::uniqueId(table->cellAt(2, CALL));

  t.table.SelectAsUser(1);
  EXPECT_TRUE(table->isRowSelected(1));
  EXPECT_TRUE(cell->state().selected);
  t.ShowCalls({"DL1ABC", "G4XYZ"});
  EXPECT_EQ(table->rowCount(), 2);
  EXPECT_EQ(QAccessible::accessibleInterface(last), nullptr);  // a reader asking for it gets nothing
  EXPECT_EQ(table->cellAt(1, CALL), cell);
}

}  // namespace
}  // namespace keblor::test
