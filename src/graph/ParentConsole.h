#pragma once

// quellmark-graph is a window program, so Windows gives it no console of its
// own. Started from Command Prompt or PowerShell for a report, an export or
// its help, it writes to the console it was started from, unless its output
// was redirected (to a file or a pipe), which then keeps it.
namespace ParentConsole
{

void attachForOutput();

} // namespace ParentConsole
