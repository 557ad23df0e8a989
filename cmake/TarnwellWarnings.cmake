# Warnings on for our own targets only; third-party headers stay quiet.
function(tarnwell_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  target_compile_features(${target} PUBLIC cxx_std_20)
endfunction()
