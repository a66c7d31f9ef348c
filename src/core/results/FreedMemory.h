#pragma once

// Gives the memory of freed blocks back to the system. A table is a great many small blocks:
// freed, they stay with the process until the allocator is told to give them back.
void returnFreedMemory();
