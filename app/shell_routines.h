// The window's three small routines over the shell services: the operation
// codes and flags say what the platform does, and the shell shows its own
// progress, questions and failures (app/widgets/dialogs.h).
//
// What the flags mean here:
//   FO_DELETE with FOF_ALLOWUNDO   the file or folder goes to the trash of its
//                                  volume; without it, it is removed for good
//   FO_COPY of a file              copied into the destination folder under its
//                                  own name, replacing a file of that name
//   FO_COPY of a folder            copied with everything in it; a progress
//                                  display unless FOF_SILENT, a question on
//                                  each name collision unless FOF_NOCONFIRMATION
//   FOF_NOERRORUI                  failures are not shown
// A copy the user cancels is not a failure to show, but it is not a success.
//
// Thread: the GUI thread; each routine runs to completion before it returns.
#pragma once

#include <string>

namespace vistrel::app {

// Operations.
inline constexpr unsigned FO_COPY = 2;
inline constexpr unsigned FO_DELETE = 3;
// Flags.
inline constexpr unsigned FOF_SILENT = 4;
inline constexpr unsigned FOF_NOCONFIRMATION = 16;
inline constexpr unsigned FOF_ALLOWUNDO = 64;
inline constexpr unsigned FOF_FILESONLY = 128;
inline constexpr unsigned FOF_NOERRORUI = 0x400;

// `destination` is ignored for a deletion. The outcome is the shell's to
// report; the caller goes on from what is on disk.
void ShellFileOperation(const std::string& source, const std::string& destination,
                        unsigned operation, unsigned flags);
// Removes the folder and all it holds for good, silently; true on success.
bool ShellDeleteFolder(const std::string& path);
// Copies the folder into `destination` with progress and collision
// questions; true when everything was copied.
bool ShellCopyFolder(const std::string& source, const std::string& destination);

// A modal question lets the world move on (the slide show's timer keeps
// firing under it, a folder may vanish), so every operation acts on the path
// its question named, taken before asking. This tells whether that item is
// still there when the answer comes; when it is not, the user is told in the
// shell's failure box and nothing is to be done.
bool stillThere(const std::string& path);

// Opens the file with the user's default program and does not wait; a
// failure is the shell's to report.
void ShellOpen(const std::string& path);

}  // namespace vistrel::app
