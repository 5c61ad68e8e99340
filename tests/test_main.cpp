// Shared main of the test programs: the runtime and the dialog layer started as the
// program's own start-up does, then GoogleTest.
#include <gtest/gtest.h>

#include "runtime/process.h"
#include "ui/dialog.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (!StartRuntime()) return 3;
    StartDialogLayer();
    return RUN_ALL_TESTS();
}
