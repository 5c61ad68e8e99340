// Names that screen readers say for controls no label before them names.
#pragma once

#include <windows.h>

#include "runtime/text.h"

// Names the control for assistive technology through Dynamic Annotation: its Active
// Accessibility name and, where Windows takes it (8 and later), its UI Automation name. Where
// the service is missing or refuses, nothing changes.
void SetAccessibleName(HWND control, const WideString& name);
// Clears the names given to the dialog's controls; the dialog calls it as it is destroyed,
// before its controls are.
void ClearAccessibleNames(HWND dialog);
