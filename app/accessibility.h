// What screen readers learn of the window's standard controls beyond Qt's own answers.
#pragma once

class QCheckBox;

namespace t2j {

// Makes Qt's accessibility answer for the main window (a frame), the preview (an image), the
// editable combo boxes (a combo box named by its label, its value the field's text) and check
// boxes (checked only in the checked state, indeterminate in the grey one of a three-state box).
// Safe to call more than once; call it before the controls are made, as Qt keeps the first answer
// it makes for an object.
void InstallWindowAccessibility();

// Tells screen readers the check box's state after every change: whether it is checked, and
// whether it is grey.
void AnnounceCheckState(QCheckBox& box);

}  // namespace t2j
