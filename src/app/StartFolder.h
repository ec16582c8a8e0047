#pragma once

// The program keeps its data below the folder it is started from. A Start-menu
// entry is made once for every user of the PC and cannot name each user's own
// Documents folder, so it passes DocumentsFlag and the program goes there
// itself: to Documents/Quellmark, made when missing.
namespace StartFolder
{

inline constexpr char DocumentsFlag[] = "--start-in-documents";

enum class Outcome { NotAsked, Entered, Failed };

// Takes the flag out of the arguments, so that no command-line parser sees
// it, and enters the folder when it was there.
Outcome enterIfAsked(int& argc, char** argv);

} // namespace StartFolder
