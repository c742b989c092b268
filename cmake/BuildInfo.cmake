# Generates build_info.h, the facts the programs take from the build: the
# version from project(), and the way from the folder of the installed
# programs to the folder of their shared data, which keeps the installed tree
# relocatable (make install PREFIX=... and the package find the same files).
file(RELATIVE_PATH LINKWATCH_BIN_TO_DATA ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/linkwatch)
configure_file(${CMAKE_CURRENT_LIST_DIR}/build_info.h.in ${PROJECT_BINARY_DIR}/generated/build_info.h @ONLY)

add_library(lw_build_info INTERFACE)
target_include_directories(lw_build_info INTERFACE ${PROJECT_BINARY_DIR}/generated)
