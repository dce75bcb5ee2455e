// The one source of the targets that hold the tests' precompiled headers:
// the headers are compiled for it, and the tests of its folder reuse them.
