# Unity builds for the libraries whose sources compile together cleanly:
# batches of their sources are compiled as one, so the large headers they
# share (CLI11 and nlohmann-json in the command-line front end, Qt in the
# windows, the standard library everywhere) are parsed and their code
# generated once per batch rather than once per source. On two cores this
# takes minutes off a first build. A build through a compiler launcher
# (ccache, as developers configure it) compiles source by source, so that
# an edit recompiles one file; a fresh build (the first run, CI) uses the
# batches, so CI notices when a new source does not fit into one.
if(CMAKE_CXX_COMPILER_LAUNCHER)
  set(tarnwell_unity_default OFF)
else()
  set(tarnwell_unity_default ON)
endif()
option(TARNWELL_UNITY "Compile the libraries' sources in batches" ${tarnwell_unity_default})

# tarnwell_unity_build(target...): targets that do not exist in this
# configuration are passed over.
function(tarnwell_unity_build)
  if(NOT TARNWELL_UNITY)
    return()
  endif()
  foreach(target ${ARGN})
    if(TARGET ${target})
      set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
    endif()
  endforeach()
endfunction()
