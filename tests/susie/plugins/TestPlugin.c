/* A plug-in for the host's tests, built in many variants from compile definitions:
 *   ROLE_IMAGE or ROLE_ARCHIVE   what it exports
 *   INFO_SET=n                   which GetPluginInfo answers (table below)
 *   TAKES_MAGIC="...." or TAKES_SUFFIX="..." or TAKES_NONE
 *   PICTURE=n                    the picture GetPicture hands out (table below)
 *   FAULT=FAULT_...              a misbehaviour
 * Calls are appended to the file named by OBRI_TEST_PLUGIN_LOG, one line each, prefixed by
 * PLUGIN_NAME. The test archive format: "TARC", u32 count, then per member u32 name length, name,
 * u32 size, bytes; a member's position is the offset of its bytes. */
#include <fcntl.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "susie/SusieAbi.h"

/* Provided by the host. */
HLOCAL LocalAlloc(unsigned int flags, size_t bytes);
void* LocalLock(HLOCAL block);
int LocalUnlock(HLOCAL block);
HLOCAL LocalFree(HLOCAL block);
size_t LocalSize(HLOCAL block);

#define FAULT_NONE 0
#define FAULT_FAIL_LIVE_BLOCKS 1 /* non-zero result, blocks left live in the out-handles */
#define FAULT_FAIL_FREED 2       /* non-zero result, blocks freed but left in the out-handles */
#define FAULT_NULL_HANDLES 3     /* success with null handles */
#define FAULT_SHORT_INFO 4
#define FAULT_SHORT_BITS 5
#define FAULT_HUGE_SIZE 6
#define FAULT_NEGATIVE_WIDTH 7
#define FAULT_ZERO_SIZE 8
#define FAULT_OVERFLOW 9
#define FAULT_FOREIGN 10 /* blocks that LocalAlloc did not make */
#define FAULT_UNTERMINATED 11
#define FAULT_SHORT_MEMBER 12
#define FAULT_INFO_BUGGY 13     /* answers buflen when cutting and writes past buflen */
#define FAULT_SAME_BLOCK 14     /* one block as info and bits */
#define FAULT_SCRIBBLES_NAME 16 /* writes over the name it is handed */
#define FAULT_HEADER_SIZE 15    /* header size field larger than the block */

#ifndef FAULT
#define FAULT FAULT_NONE
#endif
#ifndef PLUGIN_NAME
#define PLUGIN_NAME "test"
#endif

__attribute__((format(printf, 1, 2))) static void logLine(const char* format, ...) {
    const char* path = getenv("OBRI_TEST_PLUGIN_LOG");
    if (!path || !*path) return;
    FILE* log = fopen(path, "a");
    if (!log) return;
    fprintf(log, "%s ", PLUGIN_NAME);
    va_list args;
    va_start(args, format);
    vfprintf(log, format, args);
    va_end(args);
    fputc('\n', log);
    fclose(log);
}

/* Every block handed to the host is named, so that tests can check it is no longer live after. */
__attribute__((unused)) static void logHanded(HLOCAL block) {
    logLine("handed %lx", (unsigned long)(uintptr_t)block);
}

/* ---- GetPluginInfo ---- */

#if INFO_SET == 1
static const char* const kInfo[] = {"00IN", "Test A", "*.jpg;*.jpeg", "JPEG", 0};
#elif INFO_SET == 2
static const char* const kInfo[] = {"00IN", "Test B", "*.png; *.jpg", "PNG and JPEG", 0};
#elif INFO_SET == 3
static const char* const kInfo[] = {"00IN", "Test picture", "*.tpic", "Test picture", 0};
#elif INFO_SET == 4
static const char* const kInfo[] = {"00AM", "Test archive", "*.tarc", "Test archive", 0};
#elif INFO_SET == 5
#define LONG_TEXT                                                                                          \
    "0123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789" \
    "0123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789" \
    "0123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789"
static const char* const kInfo[] = {"00IN", LONG_TEXT, "*.a" LONG_TEXT, "D" LONG_TEXT, 0};
#else
#error "INFO_SET"
#endif

int GetPluginInfo(int index, char* buf, int buflen) {
    int count = 0;
    while (kInfo[count]) ++count;
    if (index < 0 || index >= count) return 0;
    const char* text = kInfo[index];
    int length = (int)strlen(text);
#if FAULT == FAULT_INFO_BUGGY
    /* Seen in the wild: the whole text whatever buflen says, and buflen as the answer. */
    memcpy(buf, text, (size_t)length + 1);
    return length >= buflen ? buflen : length;
#else
    if (buflen <= 0) return 0;
    if (length > buflen - 1) length = buflen - 1;
    memcpy(buf, text, (size_t)length);
    buf[length] = '\0';
    return length;
#endif
}

/* ---- IsSupported ---- */

static int isMemory(const void* source) { return ((uintptr_t)source & ~(uintptr_t)0xFFFF) != 0; }

static int takesBytes(const char* name, const unsigned char* head, size_t got) {
    (void)name;
    (void)head;
    (void)got;
#if defined(TAKES_MAGIC)
    return got >= 4 && memcmp(head, TAKES_MAGIC, 4) == 0;
#elif defined(TAKES_SUFFIX)
    size_t length = strlen(name), suffix = strlen(TAKES_SUFFIX);
    return length >= suffix && strcmp(name + length - suffix, TAKES_SUFFIX) == 0;
#else
    return 0;
#endif
}

int IsSupported(const char* name, void* source) {
    /* The host hands a writable copy: touching it must not fault, nor change the host's text. */
    ((char*)name)[0] = name[0];
#if FAULT == FAULT_SCRIBBLES_NAME
    memset((char*)name, 'X', strlen(name));
    return 0;
#endif
    if (isMemory(source)) {
        const volatile unsigned char* bytes = (const unsigned char*)source;
        unsigned sum = 0;
        for (int i = 0; i < 2048; ++i) sum += bytes[i]; /* the host promises 2048 readable bytes */
        logLine("IsSupported memory %s %u", name, sum);
        return takesBytes(name, (const unsigned char*)source, 2048);
    }
    int fd = (int)(intptr_t)source;
    off_t at = lseek(fd, 0, SEEK_CUR);
    logLine("IsSupported file %s at %ld", name, (long)at);
    if (at != 0) return 0;
    unsigned char head[4] = {0};
    ssize_t got = read(fd, head, sizeof head); /* and leaves the offset moved, as real ones do */
    return takesBytes(name, head, got > 0 ? (size_t)got : 0);
}

/* ---- Pictures ---- */

#if defined(ROLE_IMAGE)

static void putU32(unsigned char* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = (unsigned char)(value >> (8 * i));
}

static void putU16(unsigned char* at, unsigned value) {
    at[0] = (unsigned char)value;
    at[1] = (unsigned char)(value >> 8);
}

/* Not static: some variants never read them. */
#define HIDDEN __attribute__((visibility("hidden")))

#if PICTURE == 1
/* 3 x 2, 24 bits, bottom-up: top row red, green, blue; bottom row white, black, grey. */
enum { kHeaderSize = 40, kWidth = 3, kHeight = 2, kBitCount = 24, kColours = 0 };
HIDDEN const unsigned char kPalette[1] = {0};
HIDDEN const unsigned char kRows[] = {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80, 0x80, 0x80, 0, 0, 0,
                                      0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0, 0, 0};
#elif PICTURE == 2
/* 2 x 3, 8 bits with 4 colours, top-down: rows 0 1 / 2 3 / 3 0. */
enum { kHeaderSize = 40, kWidth = 2, kHeight = -3, kBitCount = 8, kColours = 4 };
HIDDEN const unsigned char kPalette[] = {0x00, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0x00, 0,
                                         0xFF, 0x00, 0xFF, 0, 0x56, 0x34, 0x12, 0};
HIDDEN const unsigned char kRows[] = {0, 1, 0, 0, 2, 3, 0, 0, 3, 0, 0, 0};
#elif PICTURE == 3
/* 2 x 1, 24 bits behind a 124-byte header: 0x102030, 0x405060. */
enum { kHeaderSize = 124, kWidth = 2, kHeight = 1, kBitCount = 24, kColours = 0 };
HIDDEN const unsigned char kPalette[1] = {0};
HIDDEN const unsigned char kRows[] = {0x30, 0x20, 0x10, 0x60, 0x50, 0x40, 0, 0};
#else
#error "PICTURE"
#endif

static void fillHeader(unsigned char* info) {
    int32_t width = kWidth, height = kHeight;
    uint16_t bitCount = kBitCount;
#if FAULT == FAULT_HUGE_SIZE
    width = 40000;
#elif FAULT == FAULT_NEGATIVE_WIDTH
    width = -kWidth;
#elif FAULT == FAULT_ZERO_SIZE
    height = 0;
#elif FAULT == FAULT_OVERFLOW
    width = 32768;
    height = 32768;
    bitCount = 32;
#endif
    putU32(info, kHeaderSize);
#if FAULT == FAULT_HEADER_SIZE
    putU32(info, 4000);
#endif
    putU32(info + 4, (uint32_t)width);
    putU32(info + 8, (uint32_t)height);
    putU16(info + 12, 1);
    putU16(info + 14, bitCount);
    putU32(info + 32, kColours);
    if (kColours) memcpy(info + kHeaderSize, kPalette, sizeof kPalette);
}

__attribute__((unused)) static HLOCAL copyToBlock(const void* bytes, size_t size) {
    HLOCAL block = LocalAlloc(0x40, size);
    if (block && size) memcpy(LocalLock(block), bytes, size);
    if (block) LocalUnlock(block);
    return block;
}

#if FAULT == FAULT_FOREIGN
static unsigned char foreignInfo[256];
static unsigned char foreignBits[64];
#endif

static int handOutPicture(HLOCAL* info, HLOCAL* bits) {
    unsigned char header[kHeaderSize + 16 * 4] = {0};
    fillHeader(header);
    size_t infoSize = kHeaderSize + (size_t)kColours * 4, bitsSize = sizeof kRows;
    (void)infoSize; /* not every variant hands out both blocks */
    (void)bitsSize;
#if FAULT == FAULT_SHORT_INFO
    infoSize = 20;
#elif FAULT == FAULT_SHORT_BITS
    bitsSize -= 1;
#endif
#if FAULT == FAULT_FOREIGN
    memcpy(foreignInfo, header, infoSize);
    memcpy(foreignBits, kRows, bitsSize);
    *info = foreignInfo;
    *bits = foreignBits;
    return 0;
#elif FAULT == FAULT_NULL_HANDLES
    *info = NULL;
    *bits = NULL;
    return 0;
#else
    *info = copyToBlock(header, infoSize);
#if FAULT == FAULT_SAME_BLOCK
    *bits = *info;
#else
    *bits = copyToBlock(kRows, bitsSize);
#endif
    logHanded(*info);
    logHanded(*bits);
#if FAULT == FAULT_FAIL_LIVE_BLOCKS
    return 2;
#elif FAULT == FAULT_FAIL_FREED
    LocalFree(*info);
    LocalFree(*bits);
    return 5;
#else
    return 0;
#endif
#endif
}

__attribute__((visibility("hidden"))) int testGetPicture(const char* source, intptr_t offsetOrLength,
                                                         unsigned int flag, HLOCAL* info, HLOCAL* bits,
                                                         SusieProgress progress, intptr_t data) {
    /* Like some plug-ins in the wild, this one calls the progress function without a null check. */
    if (!progress) return 8;
    if (progress(0, 1, data)) return 1;
    if ((flag & 7u) == SUSIE_INPUT_MEMORY) {
        logLine("GetPicture memory %ld", (long)offsetOrLength);
#if defined(TAKES_MAGIC)
        if (offsetOrLength < 4 || memcmp(source, TAKES_MAGIC, 4) != 0) return 2;
#endif
    } else if ((flag & 7u) == SUSIE_INPUT_FILE) {
        logLine("GetPicture file %ld", (long)offsetOrLength);
        int fd = open(source, O_RDONLY);
        if (fd < 0) return 6;
        close(fd);
    } else {
        return -1;
    }
    return handOutPicture(info, bits);
}

#ifndef EXTERNAL_GET_PICTURE
int GetPicture(const char* source, intptr_t offsetOrLength, unsigned int flag, HLOCAL* info, HLOCAL* bits,
               SusieProgress progress, intptr_t data) {
    return testGetPicture(source, offsetOrLength, flag, info, bits, progress, data);
}
#endif

#endif /* ROLE_IMAGE */

/* ---- Archives ---- */

#if defined(ROLE_ARCHIVE)

typedef struct Member {
    const unsigned char* name;
    uint32_t nameLength;
    uint32_t position;
    uint32_t size;
} Member;

static uint32_t getU32(const unsigned char* at) {
    return (uint32_t)at[0] | (uint32_t)at[1] << 8 | (uint32_t)at[2] << 16 | (uint32_t)at[3] << 24;
}

static unsigned char* readWhole(const char* path, size_t* size) {
    FILE* file = fopen(path, "rb");
    if (!file) return NULL;
    size_t capacity = 4096, used = 0;
    unsigned char* bytes = malloc(capacity);
    size_t got;
    while (bytes && (got = fread(bytes + used, 1, capacity - used, file)) > 0) {
        used += got;
        if (used == capacity) {
            unsigned char* bigger = realloc(bytes, capacity *= 2);
            if (!bigger) free(bytes);
            bytes = bigger;
        }
    }
    fclose(file);
    *size = used;
    return bytes;
}

/* Member index of the archive; returns the count, or -1 when the bytes are not a test archive. */
static long parseArchive(const unsigned char* bytes, size_t size, Member* members, long capacity) {
    if (size < 8 || memcmp(bytes, "TARC", 4) != 0) return -1;
    long count = (long)getU32(bytes + 4);
    size_t at = 8;
    for (long i = 0; i < count; ++i) {
        if (size - at < 4) return -1;
        uint32_t nameLength = getU32(bytes + at);
        at += 4;
        if (size - at < (size_t)nameLength + 4) return -1;
        const unsigned char* name = bytes + at;
        at += nameLength;
        uint32_t memberSize = getU32(bytes + at);
        at += 4;
        if (size - at < memberSize) return -1;
        if (i < capacity) {
            Member m = {name, nameLength, (uint32_t)at, memberSize};
            members[i] = m;
        }
        at += memberSize;
    }
    return count;
}

int GetArchiveInfo(const char* source, intptr_t offsetOrLength, unsigned int flag, HLOCAL* list) {
    logLine("GetArchiveInfo %ld", (long)offsetOrLength);
    if ((flag & 7u) != SUSIE_INPUT_FILE) return -1;
    size_t size = 0;
    unsigned char* bytes = readWhole(source, &size);
    if (!bytes) return 6;
    long count = parseArchive(bytes, size, NULL, 0);
    Member* members = count > 0 ? calloc((size_t)count, sizeof *members) : NULL;
    if (count < 0 || (count > 0 && !members)) {
        free(bytes);
        return 2;
    }
    parseArchive(bytes, size, members, count);
    long records = count + 1;
#if FAULT == FAULT_UNTERMINATED
    records = count;
#endif
    HLOCAL block = LocalAlloc(0x40, (size_t)records * sizeof(SusieArchiveRecord));
    logHanded(block);
    SusieArchiveRecord* out = block ? LocalLock(block) : NULL;
    for (long i = 0; out && i < count; ++i) {
        memcpy(out[i].method, "TARC", 4);
        out[i].position = members[i].position;
        out[i].compsize = members[i].size;
        out[i].filesize = members[i].size;
        /* A name of 200 bytes or more fills the field without its zero. */
        size_t copied = members[i].nameLength < 200 ? members[i].nameLength : 200;
        memcpy(out[i].filename, members[i].name, copied);
    }
    if (block) LocalUnlock(block);
    free(members);
    free(bytes);
    if (!block) return 4;
#if FAULT == FAULT_FOREIGN
    static unsigned char foreign[2 * sizeof(SusieArchiveRecord)];
    memset(foreign, 0, sizeof foreign);
    memcpy(foreign, block, sizeof(SusieArchiveRecord));
    LocalFree(block);
    *list = foreign;
    return 0;
#elif FAULT == FAULT_NULL_HANDLES
    LocalFree(block);
    *list = NULL;
    return 0;
#elif FAULT == FAULT_FAIL_LIVE_BLOCKS
    *list = block;
    return 3;
#elif FAULT == FAULT_FAIL_FREED
    LocalFree(block);
    *list = block;
    return 5;
#else
    *list = block;
    return 0;
#endif
}

int GetFile(const char* source, intptr_t offsetOrLength, char* dest, unsigned int flag,
            SusieProgress progress, intptr_t data) {
    logLine("GetFile %ld", (long)offsetOrLength);
    if (!progress) return 8;
    if (progress(0, 1, data)) return 1;
    if ((flag & 7u) != SUSIE_INPUT_FILE || ((flag >> 8) & 7u) != 1) return -1;
    HLOCAL* out = (HLOCAL*)(void*)dest;
    size_t size = 0;
    unsigned char* bytes = readWhole(source, &size);
    if (!bytes) return 6;
    long count = parseArchive(bytes, size, NULL, 0);
    Member* members = count > 0 ? calloc((size_t)count, sizeof *members) : NULL;
    if (members) parseArchive(bytes, size, members, count);
    int result = 8;
    for (long i = 0; members && i < count; ++i) {
        if ((intptr_t)members[i].position != offsetOrLength) continue;
        size_t handed = members[i].size;
#if FAULT == FAULT_SHORT_MEMBER
        handed /= 2;
#endif
        HLOCAL block = LocalAlloc(0, handed);
        if (!block) {
            result = 4;
            break;
        }
        if (handed) memcpy(LocalLock(block), bytes + members[i].position, handed);
        LocalUnlock(block);
        *out = block;
        logHanded(block);
        result = 0;
        break;
    }
    free(members);
    free(bytes);
    if (result != 0) return result;
#if FAULT == FAULT_FOREIGN
    static unsigned char foreign[4096];
    size_t keep = LocalSize(*out) < sizeof foreign ? LocalSize(*out) : sizeof foreign;
    memcpy(foreign, *out, keep);
    LocalFree(*out);
    *out = foreign;
#elif FAULT == FAULT_NULL_HANDLES
    LocalFree(*out);
    *out = NULL;
#elif FAULT == FAULT_FAIL_LIVE_BLOCKS
    result = 3;
#elif FAULT == FAULT_FAIL_FREED
    LocalFree(*out);
    result = 5;
#endif
    return result;
}

#endif /* ROLE_ARCHIVE */
