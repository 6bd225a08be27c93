// app/: the texts of the steps tools (beyond the described window).
#pragma once

namespace kelvo::texts {} // namespace kelvo::texts
