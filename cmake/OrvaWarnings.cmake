# Warnings for our own targets only; third-party headers come in as SYSTEM.
function(orva_target_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
endfunction()

# orva_library(<name> SOURCES ... DEPS ...): one static library per subsystem.
function(orva_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  orva_target_warnings(${name})
endfunction()
