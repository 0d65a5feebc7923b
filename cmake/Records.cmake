# Placeholder: the record generator's CMake function lives here.
