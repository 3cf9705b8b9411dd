// Runs the tst_*.qml files of QUICK_TEST_SOURCE_DIR under Qt Quick Test.
#include <QtQuickTest>

QUICK_TEST_MAIN(deviceinfo)
