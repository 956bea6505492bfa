// The Windows headers the HID back-end uses, in one place. <windows.h> defines `interface` as a
// macro (for COM); our own headers use the word as a name, so it is undefined once every Windows
// header is in. Files of this folder include this instead of the Windows headers themselves.
#pragma once

#include <windows.h>
#include <dbt.h>
#include <setupapi.h>
// hidsdi.h brings hidusage.h and hidpi.h in the order they need. mingw's HID headers declare
// the functions without C linkage; hid.dll exports them as C functions.
extern "C" {
#include <hidsdi.h>
#include <hidpi.h>
}

#undef interface
