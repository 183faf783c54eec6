// SPDX-License-Identifier: MIT
// AddressSanitizer options for the fuzz targets, before any given in
// ASAN_OPTIONS (which still win).
//
// Qt is built without frame pointers, so the fast unwinder reads stale stack
// words as return addresses past the second frame of every allocation, and
// each run stores thousands of "new" stack traces that are never freed: a
// long campaign grows by about 3 KB per input until libFuzzer stops it for
// using too much memory. Two frames of allocation and free stacks keep memory
// flat; a fault's own stack is unwound in full as before. To see longer
// allocation stacks while reproducing a finding, run it with
// ASAN_OPTIONS=malloc_context_size=30.

extern "C" const char *__asan_default_options()
{
    return "malloc_context_size=2";
}
