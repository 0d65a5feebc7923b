# Writes demo.json into a C++ source as one raw string.
file(READ ${INPUT} CONTENT)
file(WRITE ${OUTPUT} "// Generated from demo/demo.json; edit that file.\n#include \"demo_data.h\"\nnamespace zp::backend {\nconst char* demoData() {\n  return R\"zpdemo(${CONTENT})zpdemo\";\n}\n}  // namespace zp::backend\n")
