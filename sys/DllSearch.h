// Where the program's own DLL loads look.
#pragma once

// Takes the program's folder, and the current one, out of the search for DLLs loaded from
// here on, leaving the system directory: started elevated from a folder a user can write (a
// copied CD, a download), no DLL planted beside setup.exe may load. Windows 8 and later, and
// 7 with KB2533623, search the system directory alone; elsewhere only the current folder
// leaves the search (XP SP1 and later); XP without a service pack is left as it is.
void HardenDllSearch();
