// Version information of modules. Each module embeds one version record (file
// version, product name, description, copyright) in the ELF section
// ".platform_version" of its file with PLATFORM_VERSION_RECORD; the version
// calls read it from the file without loading it. The record holds one string
// table, language 0415 (Polish) and code page 04E2 (Windows-1250).
//
//   DWORD unused = 0;
//   DWORD size = GetFileVersionInfoSizeA("Corvatin.ocx", &unused);
//   std::vector<char> block(size);
//   GetFileVersionInfoA("Corvatin.ocx", 0, size, block.data());
//   VerQueryValueA(block.data(), "\\StringFileInfo\\041504E2\\FileVersion", &text, &len);
//
// A file name without a directory is found the way the home platform's file
// search finds a module (see FindModuleFile in modulefile.h).
#pragma once

#include "platform/com/registry.h"  // ERROR_FILE_NOT_FOUND
#include "platform/com/types.h"

// The section and the first string of a record.
#define PLATFORM_VERSION_SECTION ".platform_version"
#define PLATFORM_VERSION_MAGIC "PLATFORM-VERSION-1"
// The one string table of every record.
#define PLATFORM_VERSION_TRANSLATION "041504E2"

// Defines the version record of the module that this line is compiled into.
// Arguments are string literals (ANSI text); the file version is dotted,
// "1.0.0.0". The product version is the file version.
#define PLATFORM_VERSION_RECORD(fileVersion, productName, description, copyright)                           \
  [[gnu::used, gnu::section(PLATFORM_VERSION_SECTION)]] static const char kPlatformVersionRecord[] =        \
      PLATFORM_VERSION_MAGIC "\0" PLATFORM_VERSION_TRANSLATION "\0"                                        \
                             "FileVersion\0" fileVersion "\0"                                              \
                             "ProductVersion\0" fileVersion "\0"                                           \
                             "ProductName\0" productName "\0"                                              \
                             "FileDescription\0" description "\0"                                          \
                             "LegalCopyright\0" copyright "\0"

constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BD;
constexpr DWORD VS_FFI_STRUCVERSION = 0x00010000;
constexpr DWORD VS_FFI_FILEFLAGSMASK = 0x3F;
constexpr DWORD VOS__WINDOWS32 = 4;
constexpr DWORD VFT_DLL = 2;

// The fixed part of a version record, answered for the query "\".
struct VS_FIXEDFILEINFO {
  DWORD dwSignature;
  DWORD dwStrucVersion;
  DWORD dwFileVersionMS;
  DWORD dwFileVersionLS;
  DWORD dwProductVersionMS;
  DWORD dwProductVersionLS;
  DWORD dwFileFlagsMask;
  DWORD dwFileFlags;
  DWORD dwFileOS;
  DWORD dwFileType;
  DWORD dwFileSubtype;
  DWORD dwFileDateMS;
  DWORD dwFileDateLS;
};

extern "C" {

// The size of the block GetFileVersionInfoA fills for the file; 0 when the file
// is not found (ERROR_FILE_NOT_FOUND) or carries no record
// (ERROR_RESOURCE_TYPE_NOT_FOUND). `handle` (may be null) is set to 0.
COM_API DWORD GetFileVersionInfoSizeA(const char* fileName, DWORD* handle);

// Fills `data` with the file's version block. FALSE when the file has no record
// or `size` is smaller than GetFileVersionInfoSizeA's answer
// (ERROR_INSUFFICIENT_BUFFER); a short buffer is never filled with a cut block.
COM_API BOOL GetFileVersionInfoA(const char* fileName, DWORD handle, DWORD size, void* data);

// Finds a value in a block: "\" the VS_FIXEDFILEINFO (length in bytes),
// "\VarFileInfo\Translation" the language and code page pair (4 bytes),
// "\StringFileInfo\041504E2\<name>" a text (length in characters, with its
// terminating NUL). Names compare case-insensitively; repeated backslashes count
// as one. `*buffer` points into the block. FALSE when there is no such value.
COM_API BOOL VerQueryValueA(const void* block, const char* subBlock, void** buffer, UINT* length);

}  // extern "C"

constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_RESOURCE_DATA_NOT_FOUND = 1812;
constexpr DWORD ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;
