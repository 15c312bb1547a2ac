// Where packages are copied to and their installers run from as administrator: a folder of
// this run's own, made anew under a name nobody can guess in the Windows folder's Temp,
// which only SYSTEM and Administrators may change, with the package folders made inside
// it the same way. Every folder it makes stays open, in a way that keeps anyone from
// renaming, removing or replacing it, until the object goes; nothing that was there before
// is ever emptied or removed.
#pragma once

#include "handles/UniqueHandle.h"

#include <windows.h>

#include <string>
#include <vector>

// Characters of the root's name: "NorvaneSetup." and 16 hexadecimal digits.
const size_t kStagingNameLength = 29;

class CStagingFolder
{
public:
    // parent: where the root is made; setup.exe gives WindowsTempDir().
    explicit CStagingFolder(const std::string& parent);
    // Removes the root with everything in it (Remove).
    virtual ~CStagingFolder();
    CStagingFolder(const CStagingFolder&) = delete;
    CStagingFolder& operator=(const CStagingFolder&) = delete;

    // Makes the root, once; true when it was made, checked and is held. Root() is its path
    // from then on; when it fails, the failure is traced with the system's error.
    bool MakeRoot();
    const std::string& Root() const { return m_strRoot; }

    // Makes path the run's own: path must lie at or below the root once "." and ".." are
    // resolved, and every level below the root that this run has not made yet is made
    // anew (failing when the name exists) and held. False, traced, when the root is not
    // made or any of this fails: then nothing may be copied there or run from there.
    bool Make(const std::string& path);

    // True when path is the root or a folder Make made: what was copied there is the run's.
    bool Holds(const std::string& path) const;

    // Lets go of every folder and removes the root with everything in it, links as links;
    // what cannot go (a file a program still uses) stays where it is.
    void Remove();

protected:
    // Makes one folder; tests see the security attributes it is made with.
    virtual BOOL CreateFolder(const char* path, SECURITY_ATTRIBUTES* attributes);

private:
    // Makes path, which must not exist, opens it so that nobody can rename or remove it,
    // and checks through that handle that it is a folder of the Administrators' own.
    bool MakeAndHold(const std::string& path);
    bool Fail(const std::string& path, DWORD error);

    struct CHeldFolder
    {
        std::string strPath;
        CUniqueFile hFolder;
    };
    std::string m_strParent;
    std::string m_strRoot;
    bool m_bRootTried;
    std::vector<CHeldFolder> m_held; // the root first
};

// The Windows folder's Temp, from the system rather than the environment; empty when it
// cannot be read.
std::string WindowsTempDir();

// True when path (a full path) is root or lies below it, once "." and ".." are resolved:
// a folder CStagingFolder::Make may make for root.
bool IsInStagingRoot(const std::string& root, const std::string& path);

// Removes what lies at path, of any attributes, without following links: a junction or
// symbolic link goes as a link; a folder is held open while it is emptied, so that nobody
// can swap it for a link meanwhile. True when nothing lies there afterwards.
bool RemoveWithoutFollowing(const std::string& path);
