# Writes the demo fixture documents (demo/*.json, in name order) into a C++
# source, each as one raw string.
string(REPLACE "|" ";" INPUTS "${INPUTS}")
set(BODY "")
foreach(input ${INPUTS})
  file(READ ${input} CONTENT)
  get_filename_component(name ${input} NAME)
  string(APPEND BODY "      // ${name}\n      R\"zpdemo(${CONTENT})zpdemo\",\n")
endforeach()
file(WRITE ${OUTPUT} "// Generated from backend/demo/*.json; edit those files.\n#include \"demo_data.h\"\nnamespace zp::backend {\nstd::vector<const char*> demoData() {\n  return {\n${BODY}  };\n}\n}  // namespace zp::backend\n")
