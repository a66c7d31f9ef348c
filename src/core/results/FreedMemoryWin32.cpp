#include "results/FreedMemory.h"

#include <malloc.h>

void returnFreedMemory()
{
    // The C library's heap, which the program's blocks come from.
    _heapmin();
}
