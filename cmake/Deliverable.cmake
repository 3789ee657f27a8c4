include(${CMAKE_CURRENT_LIST_DIR}/OrvaneVersion.cmake)

# Generates the version resource of one deliverable from the shared template
# and adds it to the target.
function(orv_version_resource target description filetype)
  set(ORV_FILE_DESCRIPTION "${description}")
  set(ORV_INTERNAL_NAME "${target}")
  get_target_property(_suffix ${target} SUFFIX)
  if(NOT _suffix)
    get_target_property(_type ${target} TYPE)
    if(_type STREQUAL "EXECUTABLE")
      set(_suffix ".exe")
    else()
      set(_suffix ".dll")
    endif()
  endif()
  set(ORV_ORIGINAL_FILENAME "${target}${_suffix}")
  set(ORV_FILE_TYPE ${filetype})
  set(_rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/version.rc.in ${_rc} @ONLY)
  target_sources(${target} PRIVATE ${_rc})
endfunction()

# Links a deliverable so that it depends on Windows system DLLs only.
function(orv_static_runtime target)
  target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
endfunction()

# A shared library of ours: no "lib" prefix, exports only from its .def file.
function(orv_add_dll target def_file description)
  add_library(${target} SHARED ${ARGN})
  set_target_properties(${target} PROPERTIES PREFIX "" SUFFIX ".dll")
  target_sources(${target} PRIVATE ${def_file})
  orv_static_runtime(${target})
  target_link_options(${target} PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup)
  orv_version_resource(${target} "${description}" VFT_DLL)
endfunction()
