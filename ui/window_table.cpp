// placeholder
#include "ui/dialog.h"
void StartDialogLayer() {}
