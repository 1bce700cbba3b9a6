// Per-process test folders: the XDG folders and TMPDIR point into one fresh temporary
// folder, so no test reads or writes the real home folder.
#pragma once

#include <filesystem>
#include <string>

namespace gallivo::test {

// The fresh folder of this test process (removed at exit).
const std::filesystem::path& scratchRoot();
// Points the XDG folders, TMPDIR and HOME into scratchRoot(): call first thing in main().
void isolateProcess();
// A new empty folder under scratchRoot().
std::filesystem::path freshDir(const std::string& name);
// The source tree and the build tree (the runnable installation).
std::filesystem::path sourceDir();
std::filesystem::path buildDir();
// Runs a shell command, returns its exit status; output is captured into *out when given.
int run(const std::string& command, std::string* out = nullptr);
// True when a command is on PATH (outside judges may be missing on a developer machine).
bool haveTool(const std::string& name);

}  // namespace gallivo::test
