#pragma once

// Object names of the main window's controls: the control's name, and for a
// member of a control array its index after an underscore ("Text1_4",
// "Label3_9"). Tests find the widgets by these names.

#include "app/FormControls.h"

#include <QString>

QString objectNameOf(ControlRef control);

// Label2, Label3 and Text1 are control arrays; the index of any other
// control is meaningless.
bool isControlArray(Control control);
