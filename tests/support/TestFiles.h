// Temporary folders and small file helpers for tests.
#pragma once

#include <string>
#include <vector>

// A new empty folder under the temporary directory, removed with everything in it when
// the object goes.
class CTempFolder
{
public:
    explicit CTempFolder(const char* hint = "t");
    ~CTempFolder();
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    const std::string& Path() const { return m_strPath; }
    std::string operator/(const std::string& name) const { return m_strPath + "\\" + name; }

private:
    std::string m_strPath;
};

// The text in double quotes, as a command line takes a path with blanks.
std::string Quoted(const std::string& text);

bool WriteTextFile(const std::string& path, const std::string& content);
std::string ReadTextFile(const std::string& path); // empty when it cannot be read
// The lines of a text file, without their line ends and without empty ones.
std::vector<std::string> TextLines(const std::string& path);
bool MakeDirectory(const std::string& path);       // with missing parents
void RemoveTree(const std::string& path);
bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);

// What another program might have left in dir: version.dll (read-only, hidden),
// drvsetup.exe (system) and a folder old (hidden, read-only) holding x.txt (read-only).
// False when any of it cannot be made.
bool PlantFiles(const std::string& dir);

// A program built beside the test programs, such as "tracecap.exe". A run that tests
// setup.exe as it ships (TEST_SHIPPING_BIN names the folder of the release build) takes
// setup.exe and fakeprog.exe from there.
std::string BuiltProgram(const char* name);

// The folder of the setup.exe under test.
std::string SetupBinDir();

// The registry view the setup.exe under test reads, for RegOpenKeyEx and RegCreateKeyEx:
// a 32-bit program on 64-bit Windows reads HKEY_LOCAL_MACHINE\Software through
// Wow6432Node, where 32-bit installers write too.
unsigned long SetupRegistryView();

// Deletes HKEY_LOCAL_MACHINE\path, which has no subkeys, with its values, in the registry
// view given (0, KEY_WOW64_32KEY or KEY_WOW64_64KEY); its parent stays.
void DeleteRegistryKey(const std::string& path, unsigned long view);

// "zh" or "en": the language the test program was started for.
std::string TestLanguage();
