#pragma once
// The program a process runs, as its user names it. Most processes run their executable; but
// a game started through Wine runs under Wine's loader, and a script under its interpreter.
// For a process whose executable is a known loader or interpreter, the program is what that
// executable was given to run:
//
//   Wine's loaders (wine, wine64, wine-preloader, wine64-preloader): the Windows program in
//     the command's first word (Wine writes the game's Windows path there), or, when that
//     word still names the loader, the first argument that is no option;
//   script interpreters (python, perl, ruby, node, lua, the shells, mono, java -jar): the
//     script, the first argument that is no option (options that take a value skip it;
//     "-m module" names the module); code given inline (-c, -e) runs the interpreter itself.
//
// Process snapshots and QueryFullProcessImageNameW report that program, and the program
// chooser of OFN_EXECUTABLEONLY lists the files that can be such programs.

#include "platform/base/WinTypes.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// The command a process runs: its executable, its arguments (the first is argv[0]) and its
// current folder.
struct ProcessCommand {
    std::string executable;
    std::vector<std::string> arguments;
    std::string folder;
};

// The command of a running process; none when it cannot be read (gone, another user's).
std::optional<ProcessCommand> ReadProcessCommand(DWORD processId);

// The program the command runs: a native path (made absolute against the command's folder)
// or, for a Wine program, its Windows path as Wine gave it.
std::string ProgramOfCommand(const ProcessCommand& command);

// The last part of a native or Windows path ("C:\Games\Game.exe" -> "Game.exe").
std::string ProgramBaseName(const std::string& path);

// True when the process runs as this process's user and on the same display (the same
// DISPLAY, or neither has one): a program of this desktop session, not another user's or
// one shown elsewhere.
bool IsProcessOfThisDesktop(DWORD processId);

// True for a file that can be a program in the sense above: one that may be run, a Windows
// program (".exe", ".bat", ".com") or a script of a known interpreter (by its extension or a
// "#!" first line).
bool IsProgramFile(const std::filesystem::path& file);

} // namespace platform
