// The program's scratch files carry the id of the process that made them
// (".kaldero-1234-a1B2c3.png" for a figure being drawn, ".TQF.DAT.kaldero-
// 1234-a1B2c3" for a station file being imported), so that a later run can
// prove a leftover its own: a hidden file of that form, a regular file of
// this user, whose process no longer exists (killed with SIGKILL, or a
// crash). A file of a run still going, of another user or of a process id
// now taken by another program is left alone.
#pragma once

#include <string>
#include <vector>

namespace kaldero {

// "kaldero-<pid>-": what a scratch name holds before its six random
// characters.
std::string scratchTag();

// Removes the proven leftovers in folder ("" the working folder) and gives
// their names.
std::vector<std::string> removeStaleScratchFiles(const std::string& folder);

}  // namespace kaldero
