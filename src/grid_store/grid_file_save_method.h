#pragma once

// How a save puts the new grid file where the old one was.
//
// Replacing writes a temporary file beside the target and renames it over the
// target once every byte is on disk, so a save that fails part way leaves the
// old file whole. The rename makes a new file, though: it needs a folder the
// saving user may write to, it cuts the name off from the file's other hard
// links, and the new file belongs to the saving user. Where any of that would
// show, the file is written in place instead: truncated, written and synced
// to disk through its own inode, so owner, group, links and mode stay.
enum class GridFileSaveMethod {
    Refuse,
    Replace,
    InPlace,
};

// What a save finds at the target, a symbolic link already followed. The
// defaults describe a plain file of the saving user in a writable folder.
struct GridFileTargetFacts {
    bool exists = true;
    bool regularFile = true;
    bool fileWritable = true;
    bool folderWritable = true;
    unsigned long links = 1;
    // Owner and group are the saving user's own.
    bool ownedBySaver = true;
};

// A missing file is made by replacing; a file that is not a plain file, or
// that the saving user may not write, is refused.
GridFileSaveMethod ChooseSaveMethod(const GridFileTargetFacts& target);
