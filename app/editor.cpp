#include "app/editor.h"

int32_t ShowEditor(HWND) {
    return 0;
}
