#pragma once

class QWidget;

namespace px {

// Orders Tab through a dialog's controls as they are read: row by row from the top, left to
// right within a row (controls whose middles are less than half a line apart share a row); the
// controls of a group box are read together, where the group box stands. The dialog opens on
// the first control unless it has chosen one. Call it once the controls have their places
// (after the layout is set up); hidden ones keep theirs for when they are shown.
void OrderTabsByPlace(QWidget* dialog);

} // namespace px
