#pragma once

class QWidget;

namespace px {

// Orders Tab through a dialog's controls as they are read: row by row from the top, left to
// right within a row (controls whose middles are less than half a line apart share a row).
// Call it once the dialog's controls have their places (after its layout is set up).
void OrderTabsByPlace(QWidget* dialog);

} // namespace px
