// libksdvi.so is the static libraries' code with only the embedding
// interface exported (ksdvi.map); a shared library needs one source file of
// its own.
