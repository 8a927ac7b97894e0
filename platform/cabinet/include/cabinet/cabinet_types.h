// Types shared by the packing (fci.h) and unpacking (fdi.h) interfaces of the cabinet library.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Marks the library's entry points for export.
#define CABAPI __attribute__((visibility("default")))

// Error record: filled by the library when a call fails.
typedef struct {
  int erfOper;  // an FCIERR_* or FDIERROR_* code
  int erfType;  // the runtime's error number, when there is one
  int fError;   // nonzero after a failure
} ERF;

// File handle of the caller's file callbacks; -1 is "no file".
typedef intptr_t CABHANDLE;

// Flags and permission bits the library passes to the caller's open callback (the values of the
// runtime's low-level open).
#define CAB_O_RDONLY 0x0000
#define CAB_O_WRONLY 0x0001
#define CAB_O_RDWR 0x0002
#define CAB_O_APPEND 0x0008
#define CAB_O_SEQUENTIAL 0x0020
#define CAB_O_CREAT 0x0100
#define CAB_O_TRUNC 0x0200
#define CAB_O_EXCL 0x0400
#define CAB_O_BINARY 0x8000
#define CAB_S_IREAD 0x0100
#define CAB_S_IWRITE 0x0080

// Attribute bits stored with each file.
#define CAB_A_RDONLY 0x01
#define CAB_A_HIDDEN 0x02
#define CAB_A_SYSTEM 0x04
#define CAB_A_ARCH 0x20
#define CAB_A_EXEC 0x40
#define CAB_A_NAME_IS_UTF 0x80

// Longest texts, terminating NUL included.
#define CB_MAX_FILENAME 256
#define CB_MAX_CABINET_NAME 256
#define CB_MAX_CAB_PATH 256
#define CB_MAX_DISK_NAME 256

#ifdef __cplusplus
}
#endif
