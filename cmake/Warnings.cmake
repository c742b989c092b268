# Every target of the project builds with the same warnings; third-party headers
# come in as system includes and stay quiet.
add_compile_options(-Wall -Wextra -Wpedantic)
