#pragma once
#include <cstddef>

// The local-memory functions the program provides to its plug-ins. They live in a small shared
// library of their own, which exports exactly these five, so that a plug-in loaded with dlopen
// binds to them and to nothing else of the program. A handle is the address of the block's bytes.
extern "C" {
typedef void* HLOCAL;
#define OBRI_LMEM_FIXED 0x0u
#define OBRI_LMEM_MOVEABLE 0x2u
#define OBRI_LMEM_ZEROINIT 0x40u

__attribute__((visibility("default"))) HLOCAL LocalAlloc(unsigned int flags, size_t bytes);
__attribute__((visibility("default"))) void* LocalLock(HLOCAL block);
__attribute__((visibility("default"))) int LocalUnlock(HLOCAL block);
__attribute__((visibility("default"))) HLOCAL LocalFree(HLOCAL block);
__attribute__((visibility("default"))) size_t LocalSize(HLOCAL block);
}
