/* The outside header library OvSvInfo ("OvSvInfo.dll", the file libOvSvInfo.so): our stand-in, built on the
 * estimate-file library Dorvik ("Dorvik.dll", loaded from the folder of this library, bound by name,
 * initialised without a log and unloaded again for every call that unpacks). The selection and photo controls
 * load it by name and call:
 *
 *   OvFMalt(estimate file, target folder)
 *     Unpacks the estimate into the target folder: afterwards the estimate file lies there under its own
 *     name with the extension ".vek" and, when the estimate carries a photo-link file, that file under the
 *     same name with the extension ".xml", and the estimate's JPEG photographs (".jpg") under their own
 *     names. The source is only read; a target that would replace the source (or a photo-link or photograph
 *     name that would) is refused. Files of the same names in the target are replaced.
 *     0 on success, -1 on failure (no partly written file is left in the target).
 *
 *   OvGetHeader(kind, estimate file, buffer)
 *     Kind 1 (the only kind) writes the short header summary (OvHeaderSummaryShort, 147 bytes) at the start
 *     of the caller's zeroed 512-byte buffer; the rest stays as it is. LinkFileFlag is {0, 1} when the
 *     estimate carries a photo-link file (a file of the archive's top folder with the extension ".xml", what
 *     OvFMalt would take out), {0, 0} when not. That is read from the archive's file records without unpacking
 *     it, and the header from the file's published layout without the estimate-file library; an estimate
 *     whose head that library would refuse to read, or whose archive's records unpacking would refuse (no
 *     single whole cabinet, an unsafe name), fails.
 *     0 on success, -1 on failure (buffer untouched).
 *
 *   OvGetDataPath(buffer)
 *     The folder of the estimate files: the registry value "DataPath" of the key
 *     "SOFTWARE\Kelmora\Torvane\Data\Settings\" (beside the host's ApplicationPath), copied with its NUL into
 *     the caller's zeroed 128-byte buffer. 0 on success; -1 when the value is missing, empty or does not fit
 *     127 bytes (buffer untouched).
 *
 * Texts are CP932. No exception leaves a function. */
#ifndef OVSVINFO_H
#define OVSVINFO_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define OVSVINFO_STATIC_ASSERT(c, m) static_assert(c, m)
extern "C" {
#else
#define OVSVINFO_STATIC_ASSERT(c, m) _Static_assert(c, m)
#endif

#define OVSVINFO_API __attribute__((visibility("default")))

/* Sizes of the callers' buffers. */
#define OVSVINFO_HEADER_BUFFER_SIZE 512
#define OVSVINFO_DATA_PATH_BUFFER_SIZE 128
/* The only kind of OvGetHeader. */
#define OVSVINFO_KIND_SHORT_SUMMARY 1

/* Registry key and value of OvGetDataPath. */
#define OVSVINFO_REGISTRY_KEY "SOFTWARE\\Kelmora\\Torvane\\Data\\Settings\\"
#define OVSVINFO_REGISTRY_DATA_PATH "DataPath"

/* The header summary's short form: text fields copied byte for byte from the header information, NUL-padded,
 * without a NUL when a field fills its width. */
typedef struct {
  char AcceptNo[37];
  char CustomerName[30];
  char CarName[50];
  char CarNoDepartment[8];
  char CarNoDivision[6];
  char CarNoBusiness[4];
  char CarNoSerial[10];
  unsigned char LinkFileFlag[2]; /* {0, 1}: photo-link file present; {0, 0}: none */
} OvHeaderSummaryShort;

OVSVINFO_STATIC_ASSERT(sizeof(OvHeaderSummaryShort) == 147, "OvHeaderSummaryShort");
OVSVINFO_STATIC_ASSERT(offsetof(OvHeaderSummaryShort, CustomerName) == 37, "OvHeaderSummaryShort.CustomerName");
OVSVINFO_STATIC_ASSERT(offsetof(OvHeaderSummaryShort, CarName) == 67, "OvHeaderSummaryShort.CarName");
OVSVINFO_STATIC_ASSERT(offsetof(OvHeaderSummaryShort, CarNoDepartment) == 117,
                       "OvHeaderSummaryShort.CarNoDepartment");
OVSVINFO_STATIC_ASSERT(offsetof(OvHeaderSummaryShort, CarNoDivision) == 125, "OvHeaderSummaryShort.CarNoDivision");
OVSVINFO_STATIC_ASSERT(offsetof(OvHeaderSummaryShort, CarNoBusiness) == 131, "OvHeaderSummaryShort.CarNoBusiness");
OVSVINFO_STATIC_ASSERT(offsetof(OvHeaderSummaryShort, CarNoSerial) == 135, "OvHeaderSummaryShort.CarNoSerial");
OVSVINFO_STATIC_ASSERT(offsetof(OvHeaderSummaryShort, LinkFileFlag) == 145, "OvHeaderSummaryShort.LinkFileFlag");

OVSVINFO_API int16_t OvFMalt(const char* pVekFileName, const char* pTargetFolder);
OVSVINFO_API int16_t OvGetHeader(int nKind, const char* pVekFileName, char* pBuffer);
OVSVINFO_API int16_t OvGetDataPath(char* pBuffer);

/* The same functions as the callers bind them by name. */
typedef int16_t (*OvFMaltFunc)(const char*, const char*);
typedef int16_t (*OvGetHeaderFunc)(int, const char*, char*);
typedef int16_t (*OvGetDataPathFunc)(char*);

#ifdef __cplusplus
}
#endif

#endif /* OVSVINFO_H */
