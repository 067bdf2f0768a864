// Host identification of tarvoUtils: the machine ids (network adapter
// addresses and the system volume's serial), the host id derived from the
// first of them, and unique ids built from host id, process id, time and a
// counter.
//
// Texts are 8-bit strings. New strings and lists are malloc'ed and belong to
// the caller. Every function may be called from several threads at once.
#pragma once

#include <stdbool.h>

#ifdef __cplusplus
extern "C" {
#endif

// A fresh list of machine ids on every call: adapter addresses in the order
// the system reports the adapters ("%02X:%02X:%02X:%02X:%02X:%02X"), then
// the system volume's serial ("disc:00:00:%02X:%02X:%02X:%02X"); on a VMware
// guest every entry carries the prefix "vmware:". The array ends in a null
// entry; null when there is no entry. Release it with freeMachineIdList.
char** getMachineIdList(void);

// Releases a list of getMachineIdList (null is fine).
void freeMachineIdList(char** list);

// The first entry of a fresh list, or "UNKNOWN" when the list is empty; a new
// string, never null.
char* getFirstMachineId(void);

// The host id: the sum of the last four address bytes of the first machine
// id (0 to 1 020), kept once known. 0 means not known; it is worked out again
// on the next call.
int computeHostId(void);

// A new unique id "0x%08lx.%i.%li.%i": host id, process id, time in seconds
// and the number of ids issued in that second so far. The caller frees it.
// Null only when memory runs out.
char* getUniqueId(void);

// True when the process runs in a VMware virtual machine.
bool isVMware(void);

#ifdef __cplusplus
}
#endif
