#include "GslErrors.h"

#include <gsl/gsl_errno.h>

namespace analysis
{

void keepGslFromAborting()
{
    // A function-local static is initialised exactly once, even when fits run
    // on several threads at the same time.
    static const bool switchedOff = [] {
        gsl_set_error_handler_off();
        return true;
    }();
    (void)switchedOff;
}

} // namespace analysis
