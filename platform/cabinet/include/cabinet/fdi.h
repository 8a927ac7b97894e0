// Unpacking cabinet archives (libCABINET.so, module "CABINET").
//
// Reads cabinets of any producer (MSZIP, LZX, Quantum, stored) and cabinet sets. Before the first file is
// handed out, every stored name is checked and all the data is decoded once: a cabinet with an unsafe
// name or with data that does not decode gives FALSE before anything is written. A file in a folder whose
// blocks all hold their data as it is (stored) is copied from the cabinet without decoding. Every byte goes
// through the caller's callbacks.
#pragma once

#include "cabinet/cabinet_types.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef void* HFDI;

// Processor types of FDICreate (accepted for the shape of the call; the library runs the same on any).
#define cpuUNKNOWN (-1)
#define cpu80286 0
#define cpu80386 1

// Error codes in ERF::erfOper.
#define FDIERROR_NONE 0
#define FDIERROR_CABINET_NOT_FOUND 1  // the cabinet (or the next one of its set) cannot be opened
#define FDIERROR_NOT_A_CABINET 2
#define FDIERROR_UNKNOWN_CABINET_VERSION 3
#define FDIERROR_CORRUPT_CABINET 4     // records or data that do not decode
#define FDIERROR_ALLOC_FAIL 5
#define FDIERROR_TARGET_FILE 8         // a target could not be written or closed
#define FDIERROR_WRONG_CABINET 10      // the next cabinet does not continue this one
#define FDIERROR_USER_ABORT 11
#define FDIERROR_UNSAFE_NAME 12        // a stored name that would leave the destination, or cannot be a file name
#define FDIERROR_BAD_ARGUMENT 13

typedef void* (*PFNALLOC)(uint32_t cb);
typedef void (*PFNFREE)(void* memory);
// The runtime's low-level file functions; their results are passed through.
typedef CABHANDLE (*PFNOPEN)(const char* pszFile, int oflag, int pmode);
typedef uint32_t (*PFNREAD)(CABHANDLE hf, void* memory, uint32_t cb);         // (uint32_t)-1: error
typedef uint32_t (*PFNWRITE)(CABHANDLE hf, const void* memory, uint32_t cb);  // (uint32_t)-1: error
typedef int (*PFNCLOSE)(CABHANDLE hf);
typedef long (*PFNSEEK)(CABHANDLE hf, long dist, int seektype);

typedef struct {
  long cbCabinet;
  uint16_t cFolders;
  uint16_t cFiles;
  uint16_t setID;
  uint16_t iCabinet;  // 0 for the first cabinet of a set
  int fReserve;       // reserved areas present
  int hasprev;
  int hasnext;
} FDICABINETINFO;

typedef enum {
  fdintCABINET_INFO,     // psz1 next cabinet, psz2 next disk, psz3 cabinet folder, setID, iCabinet
  fdintPARTIAL_FILE,     // not sent: a file begun in an earlier cabinet cannot be unpacked alone
  fdintCOPY_FILE,        // psz1 stored name (CP932), cb size, date, time, attribs: a handle, 0 to skip, -1 to stop
  fdintCLOSE_FILE_INFO,  // psz1, hf, date, time, attribs: the caller closes hf; 0 or -1 stops
  fdintNEXT_CABINET,     // psz1 next cabinet, psz2 its disk, psz3 the folder to open it from (may be changed);
                         // -1 stops
  fdintENUMERATE         // not sent
} FDINOTIFICATIONTYPE;

typedef struct {
  long cb;
  const char* psz1;
  const char* psz2;
  char* psz3;  // CB_MAX_CAB_PATH bytes
  void* pv;    // the caller's pvUser
  CABHANDLE hf;
  uint16_t date;
  uint16_t time;
  uint16_t attribs;  // without CAB_A_NAME_IS_UTF: names are handed over in CP932
  uint16_t setID;
  uint16_t iCabinet;
  uint16_t iFolder;
  int fdie;
} FDINOTIFICATION;

typedef CABHANDLE (*PFNFDINOTIFY)(FDINOTIFICATIONTYPE fdint, FDINOTIFICATION* pfdin);

// An unpacking context; NULL on failure (perf filled). perf is filled again by each failing call.
CABAPI HFDI FDICreate(PFNALLOC pfnalloc, PFNFREE pfnfree, PFNOPEN pfnopen, PFNREAD pfnread, PFNWRITE pfnwrite,
                      PFNCLOSE pfnclose, PFNSEEK pfnseek, int cpuType, ERF* perf);

// Whether the file open at hf (read from its current position) starts with a cabinet header this library
// reads; fills pfdici when it does.
CABAPI int FDIIsCabinet(HFDI hfdi, CABHANDLE hf, FDICABINETINFO* pfdici);

// Unpacks every file of the cabinet pszCabPath + pszCabinet (and of the cabinets that continue it)
// through the notifications. flags: none are defined, pass 0.
CABAPI int FDICopy(HFDI hfdi, const char* pszCabinet, const char* pszCabPath, int flags, PFNFDINOTIFY pfnfdin,
                   void* pvUser);

CABAPI int FDIDestroy(HFDI hfdi);

#ifdef __cplusplus
}
#endif
