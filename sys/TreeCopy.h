// Copying a directory tree, and making a directory path exist.
#pragma once

#include <string>

class CStagingFolder;

// Copies everything below source into dest, creating dest and its missing parents and
// replacing existing files (read-only ones included). 1 when the copy completed, 0 when
// it failed; traces its start and its end with the result.
int CopyTree(const std::string& source, const std::string& dest);

// The same for a package that runs as administrator: once source can be listed, and
// before anything is created or copied, dest is made the run's own (StagingFolder.h). A
// dest that cannot be made so fails the copy with nothing copied.
int CopyTree(const std::string& source, const std::string& dest, CStagingFolder& staging);

// One directory level and, through itself, everything below it. Returns 0 when source
// cannot be listed (dest is then not created) or when a file of this level cannot be
// copied (the rest of the level is then skipped; what was copied stays). A subdirectory
// that fails does not fail its parent. overwrite 0 makes an existing destination file
// fail its copy. A path that would not fit in MAX_PATH - 1 characters fails its entry;
// it is never shortened.
int CopyTreeRecursive(const char* source, const char* dest, int overwrite);

// Makes every level of a directory path exist, parents first; 1 when they all exist
// afterwards. Anything that bears a level's name counts as existing, a file included; a
// path that exists as a whole is taken as it is.
// For a UNC path the server is never tested alone: the first level is server and share,
// and a path naming only a server gives 0.
int CreateDirectories(const char* path);
