#include "extra/tools.h"

namespace kelvo::extra {

void add_monitor_tool(const ToolContext& /*context*/) {}

} // namespace kelvo::extra
