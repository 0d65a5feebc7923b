# zp_generate_records(<out-var> <output-dir> <definition>...)
# Runs tools/recgen.py over the record definitions; the generated headers and
# sources are rebuilt only when a definition or the generator changes.
function(zp_generate_records out_var out_dir)
  set(defs ${ARGN})
  set(outputs)
  foreach(def ${defs})
    get_filename_component(module ${def} NAME_WE)
    list(APPEND outputs ${out_dir}/${module}.h ${out_dir}/${module}.cpp)
  endforeach()
  add_custom_command(
    OUTPUT ${outputs}
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/recgen.py ${out_dir} ${defs}
    DEPENDS ${defs} ${PROJECT_SOURCE_DIR}/tools/recgen.py
    COMMENT "Generating records and stubs"
    VERBATIM)
  set(${out_var} ${outputs} PARENT_SCOPE)
endfunction()
