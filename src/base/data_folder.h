#pragma once

#include <filesystem>
#include <string>

// The folder the programs work in, the one that holds the site list file.
//
// A folder named on the command line (--dir) is used. Otherwise a current
// folder that holds the site list is used as it is, and so is any other
// current folder the user may write, except the home folder. Started from a
// desktop menu, the current folder is the home folder (or one the user may
// not write), and the programs keep their data where a desktop program does:
// $XDG_DATA_HOME/linkwatch, or ~/.local/share/linkwatch when XDG_DATA_HOME is
// not set to an absolute path.
//
// chooseDataFolder decides from facts alone, so every case can be tried
// without a home folder or rights to take away; probeDataFolderFacts gathers
// the facts of this process; enterDataFolder makes the choice the current
// directory. None of them throws.

struct DataFolderFacts {
    std::filesystem::path given {}; // --dir, empty when not given
    std::filesystem::path current {}; // the current directory; empty when it is gone
    bool currentHoldsDataFile = false;
    bool currentIsHome = false;
    bool currentWritable = true;
    std::string xdgDataHome {}; // $XDG_DATA_HOME, empty when not set
    std::string home {}; // $HOME, empty when not set
};

enum class DataFolderOrigin {
    Given, // named on the command line
    Current, // the current directory, entered as it is
    DataHome, // the user's data folder for LinkWatch
};

struct DataFolder {
    std::filesystem::path path;
    DataFolderOrigin origin = DataFolderOrigin::Current;
};

DataFolder chooseDataFolder(const DataFolderFacts& facts);

// The facts of this process: its current directory, whether dataFileName
// (a file system name) is there, and the environment.
DataFolderFacts probeDataFolderFacts(const std::filesystem::path& given, const std::string& dataFileName);

// Makes folder the current directory. A given folder or the data home is
// created first when missing; when seedFile names an existing file and the
// folder has no dataFileName yet, that file is copied in, so a first start
// opens an example instead of nothing. An existing data file is never
// replaced. Returns what went wrong, empty on success.
std::string enterDataFolder(
    const DataFolder& folder, const std::string& dataFileName, const std::filesystem::path& seedFile);
