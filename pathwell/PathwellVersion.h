#pragma once
// The version of Pathwell.ocx: its version record's, and that of its type library PathwellX,
// by which a host's reference names the library (PathwellX.idl states it as well; the tests
// hold the two together). Macros only: the resource script includes this.
#define PATHWELL_VERSION_MAJOR 1
#define PATHWELL_VERSION_MINOR 0
// As the version record spells it: the minor number in two digits.
#define PATHWELL_VERSION_TEXT "1.00"
