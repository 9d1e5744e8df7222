#pragma once
// What assistive technologies (a screen reader, through AT-SPI on Linux) find in the signals
// window's table: a table whose children are its column headers, then its cells row by row, each
// read as it stands when asked. A cell's interface is made when first asked for and kept, under
// its id in Qt's registry, until its row leaves the table.

#include <QAccessible>

namespace keblor {

class SignalsTable;

// Gives every SignalsTable its accessible interface. Once per program; again does nothing.
void InstallSignalsTableAccessibility();

QAccessible::Id CellId(SignalsTable* table, int row, int column);  // row SignalsTable::HEADER: a header
void ForgetCell(QAccessible::Id id);                              // 0: nothing to forget

// Tell assistive technologies that the table has other rows, or another row selected.
void TellRowsChanged(SignalsTable* table);
void TellSelectedRow(SignalsTable* table);

}  // namespace keblor
