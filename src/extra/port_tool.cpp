#include "extra/tools.h"

namespace kelvo::extra {

void add_port_tool(const ToolContext& /*context*/) {}

} // namespace kelvo::extra
