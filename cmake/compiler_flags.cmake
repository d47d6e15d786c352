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
