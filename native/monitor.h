// Monitor identification behind TarvoUtils.getEDIDBytes: one MonitorData per
// active monitor, keyed by its display number, in the calling object's
// edidMap. The walk over adapters and monitors is in monitor_win32.cpp
// (display devices, SetupAPI and the device registry) and monitor_posix.cpp
// (/sys/class/drm); storing into the map is portable (monitor.cpp).
#pragma once

#include <jni.h>
#include <stddef.h>

// The adapters' texts as the platform gives them: UTF-16 on Windows (the W
// calls), the platform's 8-bit encoding (UTF-8) on Linux.
#ifdef _WIN32
typedef wchar_t MonitorChar;
#else
typedef char MonitorChar;
#endif

// Size of the EDID buffer; a longer EDID is not read.
#define MONITOR_EDID_CAPACITY 2048

// A Java string of a NUL-terminated platform text; null when it cannot be
// made (an exception is then pending).
jstring newMonitorString(JNIEnv* env, const MonitorChar* text);

// Puts the key "<displayNumber>" and a new MonitorData(edid, deviceString,
// driverVersion, driverDate) into the edidMap of `object`, looking every
// Java class, field and method up anew. Prints the entry to standard output
// when `debug` is set. On any failure on the Java side prints its message
// through jniPrintf to System.err, leaves no exception pending and returns
// false.
bool putMonitorData(JNIEnv* env, jobject object, bool debug, int displayNumber, size_t edidLength,
                    const unsigned char* edidBytes, const MonitorChar* deviceString,
                    const MonitorChar* driverVersion, const MonitorChar* driverDate);

// Walks the machine's adapters and stores each active monitor with
// putMonitorData. True when the walk ran to its end, false as soon as a
// monitor could not be stored.
bool collectMonitors(JNIEnv* env, jobject object, bool debug);
