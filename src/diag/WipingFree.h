#pragma once

// The desktop program frees its document, its views' texts and its dialogs' fields through Qt and
// libxml2, which release memory without overwriting it, and a locked program must leave nothing of
// them behind in its free memory. The program that links WipingFree.cpp into its executable gets a
// free() and a realloc() of its own, which every library of the process calls instead of the C
// library's (the executable's definitions come first): a block is overwritten with zero bytes,
// all of it, before the C library takes it back, and a block that realloc() moves is overwritten
// where it was. Not under AddressSanitizer, whose allocator keeps freed memory aside on purpose.

// Whether this process's free() wipes what it frees.
bool FreedMemoryIsWiped();
