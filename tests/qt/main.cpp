// The Qt tests run on the real widgets, offscreen unless told otherwise, with no serial
// device mapped.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/application.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // No test may open a serial device of this machine by accident.
    setenv("KELVO_SERIAL_PORTS", "", 1);
    // Nor write the user's own data folder: records and limits go to a folder of the run.
    char data_home[] = "/tmp/kelvo-qt-tests-XXXXXX";
    if (::mkdtemp(data_home) != nullptr) {
        setenv("XDG_DATA_HOME", data_home, 1);
    }
    QApplication application(argc, argv);
    kelvo::qt::prepare_application();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
