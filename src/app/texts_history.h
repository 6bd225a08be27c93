// app/: the texts of the history tools (beyond the described window).
#pragma once

namespace kelvo::texts {} // namespace kelvo::texts
