# The program's version as the build knows it (project(VERSION)), in a generated header that
# the widgets library and its tests include as "ProgramVersion.h".
configure_file(${CMAKE_CURRENT_LIST_DIR}/ProgramVersion.h.in
  ${CMAKE_BINARY_DIR}/generated/ProgramVersion.h @ONLY)
target_include_directories(reg01widgets PUBLIC ${CMAKE_BINARY_DIR}/generated)
