// Modules of the simulated machine: the system's own libraries (their
// exports registered by the parts that implement them), shared libraries
// loaded from disk, and the resources embedded in a program or library.
#pragma once
#include <cstddef>
#include <string>

#include "machine.h"
#include "oal/win_types.h"

namespace sim {

// Adds an export to a system library ("user32.dll").
SIM_API void register_system_export(const char* module, const char* entry, FARPROC address);

// Embeds a resource in the module (program or shared library) that holds
// `anchor`, an address inside that module. Integer names and types are
// given as their numbers in the usual MAKEINTRESOURCE way.
SIM_API void register_resource(const void* anchor, const char* type, const char* name,
                               const void* data, size_t size);

// A library that the machine answers itself when a program loads a file
// holding its image by path: `recognise` tells the image from any other
// file; the entries are the exports registered for `module`.
using ImageRecogniser = bool (*)(const void* data, size_t size);
SIM_API void register_image_module(const char* module, ImageRecogniser recognise);

// The host file name of a shared library asked for as "name.dll".
SIM_API std::string shared_library_file(const std::string& dll_name);

}  // namespace sim
