// The platform layer: the only way the toolkit reaches the operating system.
// Each call mirrors the Win32 call of the same name, with its semantics:
// results, last-error codes and system texts.
#pragma once
#include "oal/console.h"
#include "oal/display.h"
#include "oal/errors.h"
#include "oal/files.h"
#include "oal/library.h"
#include "oal/services.h"
#include "oal/registry.h"
#include "oal/system.h"
