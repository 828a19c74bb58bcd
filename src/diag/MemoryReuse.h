#pragma once

// Sets the allocator up for documents of many small blocks. Opening a data file frees the
// document it replaces, some 700,000 blocks for 100,000 items, and builds another of about the
// same size at once:
// - Memory the program frees is kept for its own next use instead of being handed back to the
//   kernel, which would fault the new document's memory in again page by page (some 14,000
//   faults for 100,000 items).
// - A freed block is merged with its free neighbours at once, not parked in a "fast bin" for a
//   later pass over all of them: that pass, run by the next large request, made the next parse
//   wait for the whole freed document to be sorted out.
// Nothing secret stays behind in what is kept: every buffer that held the user's text is
// overwritten before it is freed. Both programs call it first thing in main().
void KeepFreedMemoryForReuse();
