# The oldest macOS the program runs on is the oldest the Qt it is built with supports
# (each version's "Qt for macOS" page): the bundle's LSMinimumSystemVersion and, on a
# Mac, the deployment target.
function(lendmode_macos_minimum qt_version out)
  if(qt_version VERSION_LESS 6.5)
    set(minimum 10.14)
  elseif(qt_version VERSION_LESS 6.8)
    set(minimum 11.0)
  elseif(qt_version VERSION_LESS 6.10)
    set(minimum 12.0)
  elseif(qt_version VERSION_LESS 6.12)
    set(minimum 13.0)
  else()
    set(minimum 14.4)
  endif()
  set(${out} ${minimum} PARENT_SCOPE)
endfunction()
