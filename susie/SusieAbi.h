#pragma once
// The plug-in binary interface: the functions a plug-in exports and the records it hands over.
// Little-endian, packed, the same on every platform. Plug-ins include this header too.
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void* HLOCAL;
typedef int (*SusieProgress)(int num, int denom, intptr_t data);

typedef int (*GetPluginInfoFn)(int index, char* buf, int buflen);
typedef int (*IsSupportedFn)(const char* name, void* source);
typedef int (*GetPictureFn)(const char* source, intptr_t offsetOrLength, unsigned int flag, HLOCAL* info,
                            HLOCAL* bits, SusieProgress progress, intptr_t data);
typedef int (*GetArchiveInfoFn)(const char* source, intptr_t offsetOrLength, unsigned int flag, HLOCAL* list);
typedef int (*GetFileFn)(const char* source, intptr_t offsetOrLength, char* dest, unsigned int flag,
                         SusieProgress progress, intptr_t data);

// Input form, flag bits 0-2.
#define SUSIE_INPUT_FILE 0u
#define SUSIE_INPUT_MEMORY 1u
// Output form of GetFile, flag bits 8-10.
#define SUSIE_OUTPUT_MEMORY 0x100u

#pragma pack(push, 1)
typedef struct SusieArchiveRecord {
    unsigned char method[8];
    uint32_t position;
    uint32_t compsize;
    uint32_t filesize;
    uint32_t timestamp;
    char path[200];
    char filename[200];
    uint32_t crc;
} SusieArchiveRecord;

typedef struct SusieBitmapInfoHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
} SusieBitmapInfoHeader;
#pragma pack(pop)

#ifdef __cplusplus
}
static_assert(sizeof(SusieArchiveRecord) == 428);
static_assert(offsetof(SusieArchiveRecord, position) == 8);
static_assert(offsetof(SusieArchiveRecord, filesize) == 16);
static_assert(offsetof(SusieArchiveRecord, timestamp) == 20);
static_assert(offsetof(SusieArchiveRecord, path) == 24);
static_assert(offsetof(SusieArchiveRecord, filename) == 224);
static_assert(offsetof(SusieArchiveRecord, crc) == 424);
static_assert(sizeof(SusieBitmapInfoHeader) == 40);
#endif
