#include "extra/tools.h"

namespace kelvo::extra {

void add_history_tool(const ToolContext& /*context*/) {}

} // namespace kelvo::extra
