# Fails when a source of the simulated Mac (the C++ files below SIM_DIR) includes a
# header from platform/: the simulated Mac sits below the platform, which builds its
# ports on it, and uses base/ alone.
file(GLOB_RECURSE sources LIST_DIRECTORIES false "${SIM_DIR}/*.h" "${SIM_DIR}/*.cpp" "${SIM_DIR}/*.mm")
set(offenders "")
foreach(source IN LISTS sources)
  file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]platform/")
  foreach(line IN LISTS includes)
    file(RELATIVE_PATH name "${SIM_DIR}" "${source}")
    string(STRIP "${line}" line)
    list(APPEND offenders "sim/${name}: ${line}")
  endforeach()
endforeach()
if(offenders)
  list(JOIN offenders "\n  " lines)
  message(FATAL_ERROR "the simulated Mac includes from the platform:\n  ${lines}")
endif()
list(LENGTH sources count)
message(STATUS "${count} sources of the simulated Mac, none including from platform/")
