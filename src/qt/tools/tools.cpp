// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/tools/tools.h"
#include "qt/tools/run_report_image.h"

#include <QToolBar>

namespace kelvo::tools {

void add_tools(const ToolContext& context) {
    context.strip->addSeparator();
    add_history_tool(context);
    add_step_tools(context);
    add_port_tool(context);
    add_monitor_tool(context);
    add_remote_tool(context);
    add_limits_tool(context);
    add_console_log(context);
    add_run_report_image(context);
}

} // namespace kelvo::tools
