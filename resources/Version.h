// The program's version: the one place it is written. The resource script makes the
// version resource from it; the build reads it for the manifest and the installer's name.
// A test build may define all four numbers itself, to make a newer copy of the program.
#pragma once

#ifndef TN_VERSION_MAJOR
#define TN_VERSION_MAJOR 1
#define TN_VERSION_MINOR 0
#define TN_VERSION_PATCH 0
#define TN_VERSION_BUILD 91
#endif
