// app/: the texts of the ports tools (beyond the described window).
#pragma once

namespace kelvo::texts {} // namespace kelvo::texts
