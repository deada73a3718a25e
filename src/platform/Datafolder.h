#pragma once
#include <cstddef>
#include <functional>
#include <string>

// The data folder holds the database, caddora.conf, caddora.ini and the print
// files: $CADDORA_HOME when set, else $XDG_DATA_HOME/caddora
// (~/.local/share/caddora). It is created when missing. Paths end without "/".
std::string DataFolder();
// DataFolder() + "/" + name.
std::string DataPath(const std::string& name);

// Writes the file whole: a fresh file of its own beside the target, renamed
// over it, so a planted file or link of the name is replaced and never
// followed. ownerOnly: mode 0600, else 0644. False when nothing was replaced.
bool ReplaceFile(const std::string& path, const std::string& bytes, bool ownerOnly);

// Reads the file whole into text. False, and text empty, when it is missing,
// no regular file (a named pipe or a device would block the reader or never
// end) or longer than limit bytes. Opening never waits.
bool ReadRegularFile(const std::string& path, std::string& text, size_t limit);

// Every running program holds "caddora.lock" of its data folder, shared, for
// as long as it runs; the system lets go of it when the program ends, however
// it ends. Called from the user-interface thread.
// Takes this program's hold (again when the data folder has changed). False
// when the lock file cannot be used (it is then no regular file, say) or
// another program holds it alone just now (*heldAlone then true); never waits.
bool HoldDataFolder(bool* heldAlone = nullptr);
void ReleaseDataFolder();
// Runs work when no other program holds the data folder, holding it alone
// meanwhile; true when work ran. Never waits for another program.
bool WhenAloneOnDataFolder(const std::function<void()>& work);

// Folder of the program's resources (stylesheets, help, pictures, schema):
// $CADDORA_RESOURCES, else "resources" beside the executable, else
// <prefix>/share/caddora, else the build tree's resource folder.
std::string ResourceFolder();
std::string ResourcePath(const std::string& name);

// Folder of the running executable.
std::string ProgramFolder();
