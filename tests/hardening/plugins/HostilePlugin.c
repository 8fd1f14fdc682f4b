/* An image plug-in that misbehaves in ways beyond decoding, built in variants:
 *   SCRIBBLE=n     GetPluginInfo writes its text properly, then n bytes 0xA5 past buflen
 *   SLOW_MS=n      IsSupported sleeps n ms on every call
 *   FOREIGN=1      GetPicture succeeds with blocks from malloc, not LocalAlloc
 *   FOREIGN=2      GetPicture succeeds with handles that point inside LocalAlloc blocks
 * It takes data that starts with "HPIC" and hands out a 2 x 2 24-bit picture: blue, green / red,
 * white (top row first). HostileReleaseForeign() checks that the last foreign blocks were left
 * alone by the host and frees them: 1 when they were intact. */
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include "susie/SusieAbi.h"

HLOCAL LocalAlloc(unsigned int flags, size_t bytes);
void* LocalLock(HLOCAL block);
int LocalUnlock(HLOCAL block);
HLOCAL LocalFree(HLOCAL block);

#ifndef SCRIBBLE
#define SCRIBBLE 0
#endif
#ifndef SLOW_MS
#define SLOW_MS 0
#endif
#ifndef FOREIGN
#define FOREIGN 0
#endif

static const char* const kInfo[] = {"00IN", "Hostile test plug-in", "*.hpic", "Hostile picture", 0};

int GetPluginInfo(int index, char* buf, int buflen) {
    int count = 0;
    while (kInfo[count]) ++count;
    if (index < 0 || index >= count || buflen <= 0) return 0;
    int length = (int)strlen(kInfo[index]);
    if (length > buflen - 1) length = buflen - 1;
    memcpy(buf, kInfo[index], (size_t)length);
    buf[length] = '\0';
    if (SCRIBBLE > 0) memset(buf + buflen, 0xA5, (size_t)SCRIBBLE);
    return length;
}

static int takes(const unsigned char* head, size_t got) { return got >= 4 && memcmp(head, "HPIC", 4) == 0; }

int IsSupported(const char* name, void* source) {
    (void)name;
    if (SLOW_MS > 0) {
        struct timespec pause = {SLOW_MS / 1000, (long)(SLOW_MS % 1000) * 1000000L};
        nanosleep(&pause, NULL);
    }
    if (((uintptr_t)source & ~(uintptr_t)0xFFFF) != 0) return takes((const unsigned char*)source, 2048);
    unsigned char head[4] = {0};
    ssize_t got = read((int)(intptr_t)source, head, sizeof head);
    return takes(head, got > 0 ? (size_t)got : 0);
}

enum { kInfoSize = 40, kBitsSize = 16 };
static const unsigned char kRows[kBitsSize] = {
    /* bottom row: red, white */ 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0,
    /* top row: blue, green */ 0xFF,   0x00, 0x00, 0x00, 0xFF, 0x00, 0, 0};

static void fillInfo(unsigned char* info) {
    memset(info, 0, kInfoSize);
    info[0] = kInfoSize;
    info[4] = 2;  /* width */
    info[8] = 2;  /* height, bottom-up */
    info[12] = 1; /* planes */
    info[14] = 24;
}

#if FOREIGN == 1
enum { kCanarySize = 64 };
static unsigned char* foreignBlocks[2];

static unsigned char* canaried(size_t size) {
    unsigned char* block = malloc(size + kCanarySize);
    if (block) memset(block + size, 0xC3, kCanarySize);
    return block;
}
#elif FOREIGN == 2
static HLOCAL ownBlocks[2];
#endif

int HostileReleaseForeign(void) {
#if FOREIGN == 1
    int intact = 1;
    const size_t sizes[2] = {kInfoSize, kBitsSize};
    for (int i = 0; i < 2; ++i) {
        if (!foreignBlocks[i]) return 0;
        for (int k = 0; k < kCanarySize; ++k) intact &= foreignBlocks[i][sizes[i] + k] == 0xC3;
        free(foreignBlocks[i]); /* a host that freed it too makes this a double free */
        foreignBlocks[i] = NULL;
    }
    return intact;
#elif FOREIGN == 2
    int intact = 1;
    for (int i = 0; i < 2; ++i) {
        if (!ownBlocks[i]) return 0;
        intact &= LocalFree(ownBlocks[i]) == NULL; /* still ours and live */
        ownBlocks[i] = NULL;
    }
    return intact;
#else
    return 0;
#endif
}

int GetPicture(const char* source, intptr_t offsetOrLength, unsigned int flag, HLOCAL* info, HLOCAL* bits,
               SusieProgress progress, intptr_t data) {
    (void)offsetOrLength;
    (void)progress;
    (void)data;
    if ((flag & 7u) == SUSIE_INPUT_MEMORY) {
        if (offsetOrLength < 4 || memcmp(source, "HPIC", 4) != 0) return 2;
    } else if ((flag & 7u) != SUSIE_INPUT_FILE) {
        return -1;
    }
    unsigned char header[kInfoSize];
    fillInfo(header);
#if FOREIGN == 1
    foreignBlocks[0] = canaried(kInfoSize);
    foreignBlocks[1] = canaried(kBitsSize);
    if (!foreignBlocks[0] || !foreignBlocks[1]) return 4;
    memcpy(foreignBlocks[0], header, kInfoSize);
    memcpy(foreignBlocks[1], kRows, kBitsSize);
    *info = foreignBlocks[0];
    *bits = foreignBlocks[1];
    return 0;
#elif FOREIGN == 2
    ownBlocks[0] = LocalAlloc(0x40, 16 + kInfoSize);
    ownBlocks[1] = LocalAlloc(0x40, 16 + kBitsSize);
    if (!ownBlocks[0] || !ownBlocks[1]) return 4;
    unsigned char* infoBytes = LocalLock(ownBlocks[0]);
    unsigned char* bitsBytes = LocalLock(ownBlocks[1]);
    memcpy(infoBytes + 16, header, kInfoSize);
    memcpy(bitsBytes + 16, kRows, kBitsSize);
    *info = infoBytes + 16;
    *bits = bitsBytes + 16;
    return 0;
#else
    *info = LocalAlloc(0, kInfoSize);
    *bits = LocalAlloc(0, kBitsSize);
    if (!*info || !*bits) {
        LocalFree(*info);
        LocalFree(*bits);
        *info = *bits = NULL;
        return 4;
    }
    memcpy(LocalLock(*info), header, kInfoSize);
    memcpy(LocalLock(*bits), kRows, kBitsSize);
    LocalUnlock(*info);
    LocalUnlock(*bits);
    return 0;
#endif
}
