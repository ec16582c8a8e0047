#pragma once

namespace analysis
{

// GSL's default error handler aborts the process. The fits check every status
// themselves, so the handler is switched off once, before the first GSL call.
void keepGslFromAborting();

} // namespace analysis
