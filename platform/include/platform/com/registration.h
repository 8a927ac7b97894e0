// Registration of a module into the registry stand-in (platform/registry.h), in the keys and values the system's
// registry holds for an in-process control. "@" is a key's default value; a key shown without a value is an empty
// key. With the module's library at /L/libQuillon.so:
//
//   the type library (one write):
//     HKEY_CLASSES_ROOT\TypeLib\{LIBID}\1.0              @ = the library's name
//     HKEY_CLASSES_ROOT\TypeLib\{LIBID}\1.0\FLAGS        @ = 0
//     HKEY_CLASSES_ROOT\TypeLib\{LIBID}\1.0\0\win32      @ = /L/libQuillon.so   (the file that holds it)
//     HKEY_CLASSES_ROOT\TypeLib\{LIBID}\1.0\HELPDIR      @ = /L
//   each class (one write each):
//     HKEY_CLASSES_ROOT\CLSID\{CLSID}                     @ = type name
//     HKEY_CLASSES_ROOT\CLSID\{CLSID}\ProgID              @ = ProgID               (a class with a ProgID)
//     HKEY_CLASSES_ROOT\CLSID\{CLSID}\InprocServer32      @ = /L/libQuillon.so
//                                                        ThreadingModel = Apartment, Free or Both (none for None)
//     HKEY_CLASSES_ROOT\CLSID\{CLSID}\Control                                      (a control)
//     HKEY_CLASSES_ROOT\CLSID\{CLSID}\MiscStatus          @ = 0                    (a control)
//     HKEY_CLASSES_ROOT\CLSID\{CLSID}\MiscStatus\1        @ = misc status, decimal ("131473" for 0x20191)
//     HKEY_CLASSES_ROOT\CLSID\{CLSID}\ToolboxBitmap32     @ = /L/libQuillon.so, 1  (a control with a bitmap)
//     HKEY_CLASSES_ROOT\CLSID\{CLSID}\TypeLib             @ = {LIBID}              (a control of a module with one)
//     HKEY_CLASSES_ROOT\<ProgID>                          @ = type name            (a class with a ProgID)
//     HKEY_CLASSES_ROOT\<ProgID>\CLSID                    @ = {CLSID}
//   each component category of the module (one write each):
//     HKEY_CLASSES_ROOT\Component Categories\{CATID}      409 = description (the locale in hex; cut to 127
//                                                        characters)
//   each category each class implements (one write each):
//     HKEY_CLASSES_ROOT\CLSID\{CLSID}\Implemented Categories\{CATID}
//
// Each write lands whole or not at all (registry.h).
#pragma once

#include <string>

#include "platform/com/class_table.h"

namespace platform::com {

// Registers, in this order: the type library (SELFREG_E_TYPELIB when it cannot be written); each class
// (SELFREG_E_CLASS); each component category of the module, then each category each class implements
// (SELFREG_E_CLASS). It stops at the first failure, keeping what it wrote before. libraryPath: the module's
// absolute path (SELFREG_E_TYPELIB, or SELFREG_E_CLASS when the module has no type library, when it is not one).
// S_OK when everything is written.
HRESULT RegisterModule(const ModuleInfo& info, const std::string& libraryPath);

// Removes the type library's version key (SELFREG_E_TYPELIB when it cannot be written), then each class's key
// with its sub-keys and its ProgID's key (SELFREG_E_CLASS) — the ProgID's only while it names this class. The
// component categories stay. What is not registered counts as removed. S_OK when everything is removed.
HRESULT UnregisterModule(const ModuleInfo& info);

// Registry key names of the layout above.
std::string ClassKey(const CLSID& clsid);               // "HKEY_CLASSES_ROOT\CLSID\{...}"
std::string ProgIdKey(const std::string& progId);       // "HKEY_CLASSES_ROOT\<ProgID>"
std::string TypeLibKey(const TypeLib& lib);             // "HKEY_CLASSES_ROOT\TypeLib\{...}\1.0"
std::string CategoryKey(const GUID& catid);             // "HKEY_CLASSES_ROOT\Component Categories\{...}"

}  // namespace platform::com
