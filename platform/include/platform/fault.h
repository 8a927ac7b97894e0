// Fault injection for the file layer: every file operation passes one fault point of its kind, and a test can
// make the Nth call of a kind fail (the call then fails as if the system refused it, with EIO).
#pragma once

namespace platform {

enum class FileOp { Open, Read, Write, Rename, Delete, MakeFolder, Size, SetAttributes, Lock, kCount };

// Arms the Nth (1-based) call of op, counted from now, to fail; n <= 0 disarms op.
void FailNthCall(FileOp op, int n);
// Makes every call of op from the Nth on fail.
void FailFromCall(FileOp op, int n);
// Disarms every kind and resets the counters.
void ClearFaults();
// Calls of op since the last ClearFaults().
int CallCount(FileOp op);

// Called by the file layer before each system call of the kind; true: fail this call.
bool FaultPoint(FileOp op);

// Makes every load of a module by name fail as for a module that is not there (ENOENT), wherever the loader
// would look, until called with false or ClearFaults(). Kept apart from the file operations, which the fault
// tables run through one by one.
void FailModuleLoads(bool fail);
// Called by the module loader before each load; true: fail this load.
bool ModuleLoadFaultPoint();

// Makes the close of every file that was written to report a failure (EIO), as a file system that finds at the
// last flush that it cannot keep the data, until called with false or ClearFaults(). Kept apart as the loads.
void FailWrittenFileCloses(bool fail);
// Called by a file's close after it was written to; true: report the close as failed.
bool WrittenCloseFaultPoint();

}  // namespace platform
