#pragma once

// Arrays of a megabyte and more go back to the system as soon as they are
// freed. At a million readings the companion frees and makes such arrays at
// every fit (the fit's points, then the residuals drawn), and what the C
// library keeps of them would count against its memory as if still held.
namespace LargeArrays
{
void returnToTheSystemWhenFreed();
}
