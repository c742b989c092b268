#include "grid_store/grid_file_save_method.h"

GridFileSaveMethod ChooseSaveMethod(const GridFileTargetFacts& target)
{
    if (!target.exists)
        return GridFileSaveMethod::Replace;
    // A file that could not be written in place must not be replaced behind
    // its owner's back either.
    if (!target.regularFile || !target.fileWritable)
        return GridFileSaveMethod::Refuse;
    if (!target.folderWritable || target.links > 1 || !target.ownedBySaver)
        return GridFileSaveMethod::InPlace;
    return GridFileSaveMethod::Replace;
}
