// qt/serial/: what a serial device is to this program now (absent, free, held by another
// program, refused), found without disturbing it.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/services.h"

#include <string>

namespace kelvo::qt {

// Opens the device without becoming its controlling terminal and without waiting for the
// carrier, and closes it at once: nothing is sent and no setting is changed. A device held
// by another program (an exclusive open, or a live lock file as Qt's serial layer and the
// classic terminal programs leave) is busy and not opened at all when the lock shows it.
platform::PortState probe_port(const std::string& device);

// The lock file a program of the serial-lock convention holds for the device in a folder,
// e.g. /run/lock/LCK..ttyUSB0.
std::string lock_file_name(const std::string& folder, const std::string& device);

} // namespace kelvo::qt
