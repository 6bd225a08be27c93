// vxi11/: the arguments and results of each procedure through the XDR routines the build
// makes from vxi11.x. Only for the files of this room that speak XDR.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "vxi11/calls.h"

#include <rpc/rpc.h>

namespace kelvo::vxi11 {

// True when `program` has the procedure.
bool known_procedure(std::uint32_t program, std::uint32_t procedure);
// Decodes the arguments of `request.procedure` into `request`; false when they do not.
// Whatever the routines allocated is freed before it returns.
bool decode_arguments(XDR* xdr, Request& request);
// Encodes the results of `procedure` from `result`.
bool encode_results(XDR* xdr, std::uint32_t procedure, const Result& result);

} // namespace kelvo::vxi11
