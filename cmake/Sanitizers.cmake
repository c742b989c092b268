# LINKWATCH_SANITIZE takes a comma-separated sanitizer list (address,undefined or
# thread) and instruments the whole build with it.
set(LINKWATCH_SANITIZE "" CACHE STRING "Sanitizers to build with, e.g. address,undefined")
if(LINKWATCH_SANITIZE)
    add_compile_options(-fsanitize=${LINKWATCH_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${LINKWATCH_SANITIZE})
endif()

# LINKWATCH_FUZZ builds the libFuzzer targets (clang only); the libraries get
# coverage instrumentation so the fuzzer sees into them.
option(LINKWATCH_FUZZ "Build the libFuzzer targets (needs clang)" OFF)
if(LINKWATCH_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()
