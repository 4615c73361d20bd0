// Sets up the process's heap so that the kernel may back it with huge pages.
#pragma once

// Memory a process touches for the first time costs a page fault every 4 KiB,
// and on virtual machines a fault costs as much as drawing many glyphs: loading
// the Type 1 programs of a Korean page (FreeType copies and decrypts each one)
// took longer than everything else. glibc can ask for huge pages itself
// (glibc.malloc.hugetlb), but only when told so in the environment before the
// process starts; this does the same from main, before anything large is
// allocated: the heap grows in steps of 64 MiB that are marked for huge pages,
// is never given back, and keeps blocks that malloc would otherwise map and
// unmap one by one. All threads share it.
void UseHugePageHeap();
