# cfu_add_resource_dll(name script [DEFINES ...] [DEPENDS files...]): a
# resource-only DLL, name.dll, compiled by windres from script; files named in
# the script are found beside it, and the DLL is rebuilt when DEPENDS change.
function(cfu_add_resource_dll name script)
  cmake_parse_arguments(R "" "" "DEFINES;DEPENDS" ${ARGN})
  add_library(${name} SHARED ${script})
  set_target_properties(${name} PROPERTIES LINKER_LANGUAGE C PREFIX "")
  target_link_options(${name} PRIVATE -nostdlib -Wl,-e,0)
  get_filename_component(dir ${script} DIRECTORY)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/${dir})
  target_compile_definitions(${name} PRIVATE ${R_DEFINES})
  # A source property is per directory: several DLLs of one script share it.
  set_property(SOURCE ${script} APPEND PROPERTY OBJECT_DEPENDS ${R_DEPENDS})
endfunction()
