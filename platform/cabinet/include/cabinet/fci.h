// Packing files into cabinet archives (libCABINET.so, module "CABINET").
//
// A context collects files into folders of MSZIP data blocks (stored where the data would not shrink). The
// data goes straight into the cabinet's file, created with its first block, behind room for the header,
// folder and file entries, which flushing writes in front of it; where they outgrow that room the data is
// moved behind them, read back through a second handle of the file (so the callbacks must not hold written
// bytes back). No temporary file is made. A cabinet that would grow past CCAB::cb is closed and the rest
// continues in the next one, whose name the next-cabinet callback gives. Every byte goes through the
// caller's callbacks.
#pragma once

#include "cabinet/cabinet_types.h"

#ifdef __cplusplus
extern "C" {
#endif

// Settings of the cabinet being written.
typedef struct {
  uint32_t cb;                 // largest cabinet size in bytes (0: the format's limit)
  uint32_t cbFolderThresh;     // a folder is closed after the file that brings its compressed size here
  uint32_t cbReserveCFHeader;  // reserved areas: only 0 is supported
  uint32_t cbReserveCFFolder;
  uint32_t cbReserveCFData;
  int iCab;                    // number of the cabinet in its set, 1 for the first
  int iDisk;
  uint16_t setID;
  char szDisk[CB_MAX_DISK_NAME];
  char szCab[CB_MAX_CABINET_NAME];      // file name of the cabinet
  char szCabPath[CB_MAX_CAB_PATH];      // folder, with its trailing delimiter, or empty
} CCAB;

typedef void* HFCI;

typedef uint16_t TCOMP;
#define tcompTYPE_NONE 0x0000
#define tcompTYPE_MSZIP 0x0001
#define tcompTYPE_QUANTUM 0x0002
#define tcompTYPE_LZX 0x0003

// Error codes in ERF::erfOper.
#define FCIERR_NONE 0
#define FCIERR_OPEN_SRC 1        // the open-information callback failed
#define FCIERR_READ_SRC 2        // a source file could not be read, or changed size while it was read
#define FCIERR_ALLOC_FAIL 3
#define FCIERR_TEMP_FILE 4       // a temporary file could not be made (not raised: none is made)
#define FCIERR_BAD_COMPR_TYPE 5  // only MSZIP is written
#define FCIERR_CAB_FILE 6        // the cabinet could not be created, written or read back
#define FCIERR_USER_ABORT 7      // a callback asked to stop
#define FCIERR_MCI_FAIL 8        // the compressor failed
#define FCIERR_CAB_FORMAT_LIMIT 9  // a file, folder or cabinet beyond what the format can hold
#define FCIERR_BAD_ARGUMENT 10   // a null pointer, a name too long, unsupported settings

// typeStatus values of the status callback.
#define statusFile 0     // a data block is done: cb1 compressed bytes, cb2 uncompressed bytes
#define statusFolder 1   // a folder is done: cb1 and cb2 its uncompressed size
#define statusCabinet 2  // a cabinet is about to be written: cb1 its estimated, cb2 its actual size

// Memory.
typedef void* (*PFNFCIALLOC)(uint32_t cb);
typedef void (*PFNFCIFREE)(void* memory);
// Files; each stores the runtime's error number in *err when it fails.
typedef CABHANDLE (*PFNFCIOPEN)(const char* pszFile, int oflag, int pmode, int* err, void* pv);
typedef uint32_t (*PFNFCIREAD)(CABHANDLE hf, void* memory, uint32_t cb, int* err, void* pv);  // (uint32_t)-1: error
typedef uint32_t (*PFNFCIWRITE)(CABHANDLE hf, const void* memory, uint32_t cb, int* err, void* pv);
typedef int (*PFNFCICLOSE)(CABHANDLE hf, int* err, void* pv);                                  // 0: closed
typedef long (*PFNFCISEEK)(CABHANDLE hf, long dist, int seektype, int* err, void* pv);        // -1: error
typedef int (*PFNFCIDELETE)(const char* pszFile, int* err, void* pv);                          // 0: deleted
// A file entry has been committed to the cabinet pccab describes; -1 stops.
typedef int (*PFNFCIFILEPLACED)(CCAB* pccab, const char* pszFile, long cbFile, int fContinuation, void* pv);
// A unique temporary file name into pszTempName (cbTempName bytes); 0: none. (Taken, never called.)
typedef int (*PFNFCIGETTEMPFILE)(char* pszTempName, int cbTempName, void* pv);
// The settings of the next cabinet (iCab already counted up); 0 stops.
typedef int (*PFNFCIGETNEXTCABINET)(CCAB* pccab, uint32_t cbPrevCab, void* pv);
// Progress; -1 stops.
typedef long (*PFNFCISTATUS)(uint32_t typeStatus, uint32_t cb1, uint32_t cb2, void* pv);
// Opens a source file for reading and hands back its DOS date, time and attributes; -1: failure.
typedef CABHANDLE (*PFNFCIGETOPENINFO)(const char* pszName, uint16_t* pdate, uint16_t* ptime,
                                       uint16_t* pattribs, int* err, void* pv);

// A packing context for the cabinet pccab describes (the settings are copied); NULL on failure.
CABAPI HFCI FCICreate(ERF* perf, PFNFCIFILEPLACED pfnfcifp, PFNFCIALLOC pfna, PFNFCIFREE pfnf, PFNFCIOPEN pfnopen,
               PFNFCIREAD pfnread, PFNFCIWRITE pfnwrite, PFNFCICLOSE pfnclose, PFNFCISEEK pfnseek,
               PFNFCIDELETE pfndelete, PFNFCIGETTEMPFILE pfnfcigtf, CCAB* pccab, void* pv);

// Adds the file pszSourceFile under the stored name pszFileName (CP932 bytes, "\" between folders).
CABAPI int FCIAddFile(HFCI hfci, const char* pszSourceFile, const char* pszFileName, int fExecute,
               PFNFCIGETNEXTCABINET pfnfcignc, PFNFCISTATUS pfnfcis, PFNFCIGETOPENINFO pfnfcigoi,
               TCOMP typeCompress);

// Closes the current folder and writes the cabinet. With fGetNextCab, the settings of a following
// cabinet are asked for at once, and files added later go there.
CABAPI int FCIFlushCabinet(HFCI hfci, int fGetNextCab, PFNFCIGETNEXTCABINET pfnfcignc, PFNFCISTATUS pfnfcis);

// Closes the current folder; the next file starts a new one.
CABAPI int FCIFlushFolder(HFCI hfci, PFNFCIGETNEXTCABINET pfnfcignc, PFNFCISTATUS pfnfcis);

// Frees the context; what was not flushed is discarded, and the cabinet it was going into deleted.
CABAPI int FCIDestroy(HFCI hfci);

#ifdef __cplusplus
}
#endif
