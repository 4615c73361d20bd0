// Sets up the process's heap so that memory, once touched, is used again.
#pragma once

// Memory a process touches for the first time costs a page fault every 4 KiB.
// glibc's malloc maps each large block (a page's pixels, a font program) on
// its own and unmaps it when freed, and gives the heap's top back to the
// system: the next page or font faults again. This keeps them all in one heap
// that grows in steps and is never given back, from main, before anything
// large is allocated. All threads share it.
//
// Huge pages are not asked for: on virtual machines whose host takes back
// the guest's free memory (free page reporting), each 2 MiB page touched
// after a few idle seconds cost 20 ms, 1.4 s for a PDF's raster.
void KeepHeapMemory();
