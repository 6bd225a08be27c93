#include "extra/tools.h"

namespace kelvo::extra {

void add_step_tools(const ToolContext& /*context*/) {}

} // namespace kelvo::extra
