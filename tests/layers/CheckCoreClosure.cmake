# Fails when the core's link closure (one name a line in CLOSURE_FILE) names Qt, the
# simulated Mac, a platform implementation or the layers above the core.
file(STRINGS "${CLOSURE_FILE}" closure)
set(forbidden "")
foreach(item IN LISTS closure)
  if(item MATCHES "^Qt6?::|^lendmode_(sim|applescript|platform|ui|app)")
    list(APPEND forbidden ${item})
  endif()
endforeach()
if(forbidden)
  message(FATAL_ERROR "lendmode_core links ${forbidden}")
endif()
message(STATUS "lendmode_core links: ${closure}")
