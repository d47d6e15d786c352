# The version is written once, in project(); this writes it into a header
# for the sources (nelvo_version.h) and into version resources.
set(NELVO_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/nelvo_version.h.in ${NELVO_GENERATED_DIR}/nelvo_version.h)
include_directories(${NELVO_GENERATED_DIR})

# nelvo_version_resource(<target> <description>)
# Windows only: gives a program (VFT_APP) or a DLL (VFT_DLL) a version
# resource with the description and its own file name.
function(nelvo_version_resource target description)
  if(NOT WIN32)
    return()
  endif()
  enable_language(RC)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(resource_file_type VFT_APP)
    set(suffix .exe)
  else()
    set(resource_file_type VFT_DLL)
    set(suffix .dll)
  endif()
  set(resource_description "${description}")
  set(resource_internal_name ${target})
  set(resource_file_name ${target}${suffix})
  set(rc ${NELVO_GENERATED_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version_resource.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
