// The folder below the temporary directory that a package is copied into and its
// installer run from, as administrator. The user's other programs can write the temporary
// directory, so nothing they left at the folder's path may stay: it is removed (a link as
// a link, its target untouched) and made anew, open to SYSTEM and Administrators only when
// asked, then held open together with every folder from the temporary directory down to
// it, so that nobody can rename or replace it while the object lives.
#pragma once

#include "handles/UniqueHandle.h"

#include <windows.h>

#include <string>
#include <vector>

class CStagingFolder
{
public:
    enum Result
    {
        NotStaged, // not below a root the user's programs can write: nothing was touched
        Made,      // made anew, empty, and held
        Failed     // what lay there could not be removed, or someone made it first
    };

    // root: the temporary directory. forAdministrators: the folder is made open to SYSTEM
    // and Administrators only, owned by Administrators, and so is all that goes into it.
    CStagingFolder(const std::string& root, bool forAdministrators);
    virtual ~CStagingFolder();
    CStagingFolder(const CStagingFolder&) = delete;
    CStagingFolder& operator=(const CStagingFolder&) = delete;

    // Stages path when it lies strictly below the root once "." and ".." are resolved, and
    // the root is one the user's unelevated programs can write; a path stays NotStaged
    // when either is not so, or when the root cannot be opened.
    Result Make(const std::string& path);

    // True after a Make that did not fail: a program may run from what is copied there.
    bool IsReady() const { return m_bMade && m_result != Failed; }

protected:
    // Makes one folder; tests see the security attributes it is made with.
    virtual BOOL CreateFolder(const char* path, SECURITY_ATTRIBUTES* attributes);

private:
    Result Stage(const std::string& full);
    // Holds the folder at path (never a link); false when it is none or cannot be opened.
    bool Hold(const std::string& path);

    std::string m_strRoot;
    bool m_bForAdministrators;
    bool m_bMade;
    Result m_result;
    std::vector<CUniqueFile> m_held;
};

// Removes what lies at path, of any attributes, without following links: a junction or
// symbolic link goes as a link; a folder is held open while it is emptied, so that nobody
// can swap it for a link meanwhile. True when nothing lies there afterwards.
bool RemoveWithoutFollowing(const std::string& path);
