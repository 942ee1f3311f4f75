// What screen readers learn of the colour box: a combo box whose value is the shown colour's
// name, with its list of colours and their rows.
#pragma once

class QAccessibleInterface;

namespace t2j {

class TcxColorComboBox;

// Makes Qt's accessibility answer for every TcxColorComboBox with the interfaces below. Safe to
// call more than once.
void InstallColorComboAccessibility();

// The accessible row of the box's list, or nullptr when there is no such row.
QAccessibleInterface* AccessibleColorRow(TcxColorComboBox& box, int row);

}  // namespace t2j
