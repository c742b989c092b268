#!/bin/bash
# The folders show the design: the window's headers stay in src/app/, the
# checking core, the cell store, the history, the command line and the layers
# below them build without Qt, and the history leans on nothing above it but
# the core's outcome, whether it counts or is one-sided, and verdict texts.
# Prints each line that breaks this.
set -u
src=${1:?usage: check_folders.sh SOURCE_DIR}/src
broken=0
report() {
    [[ -z "$2" ]] && return
    echo "$1:"
    echo "$2"
    broken=1
}
report "window headers included outside src/app" \
    "$(grep -rn '#include "app/' "$src" --include='*.h' --include='*.cpp' | grep -v "^$src/app/")"
report "Qt included where it has no place" \
    "$(grep -rn '#include <Q' "$src"/{base,net,grid_store,check,history,cli})"
report "the history leaning on more than the core's outcome" \
    "$(grep -rhn '#include "' "$src/history" | grep -v -E '"(base|history)/|"check/(back_link|check_outcome|link_counts|link_rel|verdict_texts)\.h"')"
exit $broken
