// Seen only by the portable core's folders, which reach the platform through
// src/ports alone.
#error "shlobj.h: the portable core includes no platform header; add a port in src/ports"
