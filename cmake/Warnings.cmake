# Warnings are on everywhere in our own code. They become errors only when asked for: the
# presets in CMakePresets.json do, a distribution's build with its own compiler and flags does not
# (a newer or older compiler's new warnings must not break a packager's build).
option(KEBLOR_WERROR "Treat compiler warnings in our own code as errors" OFF)

function(keblor_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
    -Wno-sign-conversion)
  # `cmake --compile-no-warning-error` still overrides this for a single build.
  set_target_properties(${target} PROPERTIES COMPILE_WARNING_AS_ERROR ${KEBLOR_WERROR})
endfunction()
