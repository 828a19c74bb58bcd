#pragma once

// Makes the process safe to hold secrets in; both programs call it first thing in main(), before
// any file is read:
// - not dumpable (no core file, no ptrace attach by other processes of the same user, /proc
//   files of the process readable by root only) and a core file size limit of 0, so that a crash
//   never writes the key verifier or revealed values to disk;
// - SIGXFSZ ignored, so that a write past the file-size limit fails with EFBIG and is reported
//   instead of killing the process in the middle of a save;
// - the standard descriptors taken (KeepStandardDescriptorsTaken).
void HardenProcess();

// The whole life of a program that holds secrets: HardenProcess, freed memory kept for reuse, then
// run; the stack that run used is wiped when it returns, and also on a way out through exit().
int RunHardened(int argc, char** argv, int (*run)(int argc, char** argv));

// Gives each of the descriptors 0, 1 and 2 that is closed a read-only /dev/null. A program started
// with its standard output closed would otherwise hand descriptor 1 to the first file it opens
// (the log, a data file) and print values into it; now a write to it fails (EBADF) and is reported
// like any other failed output. Runs before main() as well, ahead of the log's opening.
void KeepStandardDescriptorsTaken();
