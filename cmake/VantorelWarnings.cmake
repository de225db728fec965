# Warnings are set per target and kept PRIVATE so that they never leak into dependants.
function(vantorel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wnon-virtual-dtor -Woverloaded-virtual -Wshadow=local)
  if(VANTOREL_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
