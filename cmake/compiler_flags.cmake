# Warnings and sanitizers applied to the project's own targets (not GoogleTest).
function(nelvo_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wno-unused-parameter)
  if(NELVO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
endfunction()

if(NELVO_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=${NELVO_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${NELVO_SANITIZE})
endif()

if(WIN32)
  # One self-contained program: no MinGW runtime DLLs to ship beside it.
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()

# Host Release programs link the C++ runtime into themselves: resolving
# libstdc++ and libgcc_s at every start costs as much as the run itself
# when a run only prints its usage block. Debug and sanitizer builds keep
# the shared runtime the sanitizers expect. A target that must share the
# runtime with a shared C++ library it links sets NELVO_SHARED_RUNTIME.
if(NOT WIN32 AND NOT NELVO_SANITIZE)
  add_link_options(
    "$<$<AND:$<CONFIG:Release,MinSizeRel>,$<NOT:$<BOOL:$<TARGET_PROPERTY:NELVO_SHARED_RUNTIME>>>>:-static-libstdc++;-static-libgcc;-Wl,--as-needed>")
endif()
