// Windows-style paths on a host without drives.
//
// The program's logic speaks Windows paths. Drive X: lives in $QUILLMOR_ROOT/drive_x, a UNC path
// \\server\share\rest in $QUILLMOR_ROOT/unc/server/share/rest, and a native absolute path is used
// as it stands. Path components match existing entries without regard to case.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// The folder that holds the drive folders: $QUILLMOR_ROOT, else
// ${XDG_DATA_HOME:-$HOME/.local/share}/quillmor.
std::filesystem::path QuillmorRoot();

// The host path of a Windows path. A drive or share folder that does not exist yet is created,
// drive C: seeded from the skeleton.
std::filesystem::path HostPath(std::string_view windowsPath);

// Creates the host folder of a Windows path, as HostPath creates its drive folder.
void CreateHostFolder(std::string_view windowsPath);

// The drive C: skeleton: $QUILLMOR_SKELETON when set (empty: none), else the installed data
// folder beside the program (<bin>/../share/quillmor), else the build tree's beside the program.
std::filesystem::path SkeletonFolder();

// The drive part of a path as the runtime extracts it: "C:" for C:\WINDOWS, "\\server\share" for
// a UNC path, empty otherwise.
std::string ExtractFileDrive(std::string_view path);

} // namespace platform

// Win32 contract: the length copied (without the terminator) when it fits in capacity, the
// capacity needed (terminator included) when it does not, 0 when nothing is reported. Nothing is
// created.
unsigned GetWindowsDirectory(char* buffer, unsigned capacity);

// What FindFirstFile finds as a file: a regular file (after links), never a folder or a device.
bool FileExists(std::string_view windowsPath);
